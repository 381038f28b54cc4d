// P/Invoke declarations of the thirteen QEV_3DS functions for C# and other
// .NET languages. Every function uses the C calling convention: on 32-bit
// Windows .NET's default is stdcall, and a declaration without
// CallingConvention.Cdecl would unbalance the stack on every call.
// Integers go by reference (ref int), vectors as float[] / int[], strings
// as 8-bit ANSI text; output names need a StringBuilder of 50 characters.
using System.Runtime.InteropServices;
using System.Text;

public static class Qev3ds
{
    // QEV_3DS.dll on Windows, libQEV_3DS.so on Linux.
    const string Library = "QEV_3DS";
    const CallingConvention Cdecl = CallingConvention.Cdecl;
    const CharSet Ansi = CharSet.Ansi;

    [DllImport(Library, CallingConvention = Cdecl, CharSet = Ansi)]
    public static extern int QEV_FORM_3DS_FILENAME(string path);
    [DllImport(Library, CallingConvention = Cdecl)]
    public static extern int QEV_PUT_3DS_N_LAYER(ref int layers);
    [DllImport(Library, CallingConvention = Cdecl, CharSet = Ansi)]
    public static extern int QEV_PUT_3DS_LAYER(ref int layer, string name, ref int transparency,
                                               ref int red, ref int green, ref int blue, string texture);
    [DllImport(Library, CallingConvention = Cdecl)]
    public static extern int QEV_PUT_3DS_N_TRI(ref int layer, ref int triangles);
    [DllImport(Library, CallingConvention = Cdecl)]
    public static extern int QEV_PUT_3DS_TRIANGLE(ref int layer, ref int triangle, ref int smoothing,
                                                  float[] corners, int[] edgeFlags, float[] mapping);
    [DllImport(Library, CallingConvention = Cdecl)]
    public static extern int QEV_PUT_3DS_TRIANGLE_END();
    [DllImport(Library, CallingConvention = Cdecl)]
    public static extern int QEV_PUT_3DS_END(ref int status);

    [DllImport(Library, CallingConvention = Cdecl, CharSet = Ansi)]
    public static extern int QEV_READ_3DS_FILENAME(string path, ref int status);
    [DllImport(Library, CallingConvention = Cdecl)]
    public static extern int QEV_READ_3DS_N_LAYER(ref int layers);
    [DllImport(Library, CallingConvention = Cdecl, CharSet = Ansi)]
    public static extern int QEV_READ_3DS_LAYER(ref int layer, StringBuilder name, ref int transparency,
                                                ref int red, ref int green, ref int blue, StringBuilder texture);
    [DllImport(Library, CallingConvention = Cdecl)]
    public static extern int QEV_READ_3DS_N_TRI(ref int layer, ref int triangles);
    [DllImport(Library, CallingConvention = Cdecl)]
    public static extern int QEV_READ_3DS_TRIANGLE(ref int layer, ref int triangle, ref int smoothing,
                                                   [Out] float[] corners, [Out] float[] mapping);
    [DllImport(Library, CallingConvention = Cdecl)]
    public static extern int QEV_READ_3DS_END();
}
