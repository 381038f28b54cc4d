Attribute VB_Name = "QEV_3DS"
' QEV_3DS for Visual Basic 6 and VBA: write triangle meshes into 3DS files
' and read them back.
'
' Every argument is passed by address, as Basic passes it: integers as Long
' (ByRef), coordinate arrays by their first element (ByRef x(0) As Single),
' strings ByVal As String (Basic hands over an 8-bit NUL-terminated copy
' and copies what the library writes back).
'
' 32-bit hosts (VB6, VBA in 32-bit Office) call QEV_3DS_STDCALL.dll, the
' library in the stdcall convention that Declare uses there. 64-bit Office
' calls the x64 QEV_3DS.dll, whose single calling convention needs no
' companion. Put the DLL in the folder of the workbook or program and make
' that folder current (ChDrive/ChDir) before the first call, or on the PATH.

Option Explicit

#If Win64 Then
    Private Declare PtrSafe Function QEV_FORM_3DS_FILENAME Lib "QEV_3DS.dll" (ByVal path As String) As Long
    Private Declare PtrSafe Function QEV_PUT_3DS_N_LAYER Lib "QEV_3DS.dll" (ByRef nLayers As Long) As Long
    Private Declare PtrSafe Function QEV_PUT_3DS_LAYER Lib "QEV_3DS.dll" (ByRef layer As Long, ByVal name As String, ByRef transparency As Long, ByRef red As Long, ByRef green As Long, ByRef blue As Long, ByVal texture As String) As Long
    Private Declare PtrSafe Function QEV_PUT_3DS_N_TRI Lib "QEV_3DS.dll" (ByRef layer As Long, ByRef nTriangles As Long) As Long
    Private Declare PtrSafe Function QEV_PUT_3DS_TRIANGLE Lib "QEV_3DS.dll" (ByRef layer As Long, ByRef triangle As Long, ByRef smoothing As Long, ByRef corners As Single, ByRef edgeFlags As Long, ByRef mapping As Single) As Long
    Private Declare PtrSafe Function QEV_PUT_3DS_TRIANGLE_END Lib "QEV_3DS.dll" () As Long
    Private Declare PtrSafe Function QEV_PUT_3DS_END Lib "QEV_3DS.dll" (ByRef status As Long) As Long
    Private Declare PtrSafe Function QEV_READ_3DS_FILENAME Lib "QEV_3DS.dll" (ByVal path As String, ByRef status As Long) As Long
    Private Declare PtrSafe Function QEV_READ_3DS_N_LAYER Lib "QEV_3DS.dll" (ByRef nLayers As Long) As Long
    Private Declare PtrSafe Function QEV_READ_3DS_LAYER Lib "QEV_3DS.dll" (ByRef layer As Long, ByVal name As String, ByRef transparency As Long, ByRef red As Long, ByRef green As Long, ByRef blue As Long, ByVal texture As String) As Long
    Private Declare PtrSafe Function QEV_READ_3DS_N_TRI Lib "QEV_3DS.dll" (ByRef layer As Long, ByRef nTriangles As Long) As Long
    Private Declare PtrSafe Function QEV_READ_3DS_TRIANGLE Lib "QEV_3DS.dll" (ByRef layer As Long, ByRef triangle As Long, ByRef smoothing As Long, ByRef corners As Single, ByRef mapping As Single) As Long
    Private Declare PtrSafe Function QEV_READ_3DS_END Lib "QEV_3DS.dll" () As Long
#Else
    Private Declare Function QEV_FORM_3DS_FILENAME Lib "QEV_3DS_STDCALL.dll" (ByVal path As String) As Long
    Private Declare Function QEV_PUT_3DS_N_LAYER Lib "QEV_3DS_STDCALL.dll" (ByRef nLayers As Long) As Long
    Private Declare Function QEV_PUT_3DS_LAYER Lib "QEV_3DS_STDCALL.dll" (ByRef layer As Long, ByVal name As String, ByRef transparency As Long, ByRef red As Long, ByRef green As Long, ByRef blue As Long, ByVal texture As String) As Long
    Private Declare Function QEV_PUT_3DS_N_TRI Lib "QEV_3DS_STDCALL.dll" (ByRef layer As Long, ByRef nTriangles As Long) As Long
    Private Declare Function QEV_PUT_3DS_TRIANGLE Lib "QEV_3DS_STDCALL.dll" (ByRef layer As Long, ByRef triangle As Long, ByRef smoothing As Long, ByRef corners As Single, ByRef edgeFlags As Long, ByRef mapping As Single) As Long
    Private Declare Function QEV_PUT_3DS_TRIANGLE_END Lib "QEV_3DS_STDCALL.dll" () As Long
    Private Declare Function QEV_PUT_3DS_END Lib "QEV_3DS_STDCALL.dll" (ByRef status As Long) As Long
    Private Declare Function QEV_READ_3DS_FILENAME Lib "QEV_3DS_STDCALL.dll" (ByVal path As String, ByRef status As Long) As Long
    Private Declare Function QEV_READ_3DS_N_LAYER Lib "QEV_3DS_STDCALL.dll" (ByRef nLayers As Long) As Long
    Private Declare Function QEV_READ_3DS_LAYER Lib "QEV_3DS_STDCALL.dll" (ByRef layer As Long, ByVal name As String, ByRef transparency As Long, ByRef red As Long, ByRef green As Long, ByRef blue As Long, ByVal texture As String) As Long
    Private Declare Function QEV_READ_3DS_N_TRI Lib "QEV_3DS_STDCALL.dll" (ByRef layer As Long, ByRef nTriangles As Long) As Long
    Private Declare Function QEV_READ_3DS_TRIANGLE Lib "QEV_3DS_STDCALL.dll" (ByRef layer As Long, ByRef triangle As Long, ByRef smoothing As Long, ByRef corners As Single, ByRef mapping As Single) As Long
    Private Declare Function QEV_READ_3DS_END Lib "QEV_3DS_STDCALL.dll" () As Long
#End If

' Writes a file with one red square of two triangles, reads it back and
' reports what came back. Run it from the Immediate window or a button.
Public Sub WriteAndReadBack()
    Dim path As String, status As Long, result As Long
    Dim one As Long, two As Long, t As Long, smoothing As Long
    Dim transparency As Long, red As Long, green As Long, blue As Long
    Dim corners(0 To 8) As Single, mapping(0 To 5) As Single, flags(0 To 2) As Long
    Dim nLayers As Long, nTriangles As Long
    Dim name As String, texture As String

    path = CurDir$ & "\square.3ds"
    one = 1: two = 2: transparency = 0: red = 255: green = 0: blue = 0
    flags(0) = 1: flags(1) = 1: flags(2) = 0

    result = QEV_FORM_3DS_FILENAME(path)
    If result <> 0 Then MsgBox "cannot create " & path & " (" & result & ")": Exit Sub
    result = QEV_PUT_3DS_N_LAYER(one)
    result = QEV_PUT_3DS_LAYER(one, "Square", transparency, red, green, blue, "")
    result = QEV_PUT_3DS_N_TRI(one, two)
    For t = 1 To 2
        ' Triangle 1: (0,0,0) (1,0,0) (1,1,0); triangle 2: (0,0,0) (1,1,0) (0,1,0).
        corners(0) = 0: corners(1) = 0: corners(2) = 0
        corners(3) = 1: corners(4) = IIf(t = 1, 0, 1): corners(5) = 0
        corners(6) = IIf(t = 1, 1, 0): corners(7) = 1: corners(8) = 0
        smoothing = 1
        result = QEV_PUT_3DS_TRIANGLE(one, t, smoothing, corners(0), flags(0), mapping(0))
    Next t
    result = QEV_PUT_3DS_TRIANGLE_END()
    result = QEV_PUT_3DS_END(status)
    If status <> 0 Then MsgBox "writing " & path & " failed (" & status & ")": Exit Sub

    result = QEV_READ_3DS_FILENAME(path, status)
    If status <> 0 Then MsgBox "reading " & path & " failed (" & status & ")": Exit Sub
    result = QEV_READ_3DS_N_LAYER(nLayers)
    name = String$(80, vbNullChar): texture = String$(80, vbNullChar)
    result = QEV_READ_3DS_LAYER(one, name, transparency, red, green, blue, texture)
    name = Left$(name, InStr(name, vbNullChar) - 1)
    result = QEV_READ_3DS_N_TRI(one, nTriangles)
    For t = 1 To nTriangles
        result = QEV_READ_3DS_TRIANGLE(one, t, smoothing, corners(0), mapping(0))
    Next t
    result = QEV_READ_3DS_END()
    MsgBox nLayers & " layer, """ & name & """, colour " & red & "," & green & "," & blue & ", " & _
           nTriangles & " triangles; last corner (" & corners(6) & ", " & corners(7) & ", " & corners(8) & ")"
End Sub
