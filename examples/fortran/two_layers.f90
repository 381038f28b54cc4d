! Writes a scene of two layers through QEV_3DS and reads it back. Every
! argument goes by reference, as classic Fortran hosts pass them; strings
! end with CHAR(0).
program two_layers
  use, intrinsic :: iso_c_binding, only: c_int32_t, c_float, c_char, c_null_char
  implicit none

  interface
    integer(c_int32_t) function qev_form_3ds_filename(path) bind(C, name='QEV_FORM_3DS_FILENAME')
      import :: c_int32_t, c_char
      character(kind=c_char), dimension(*), intent(in) :: path
    end function
    integer(c_int32_t) function qev_put_3ds_n_layer(n) bind(C, name='QEV_PUT_3DS_N_LAYER')
      import :: c_int32_t
      integer(c_int32_t), intent(in) :: n
    end function
    integer(c_int32_t) function qev_put_3ds_layer(k, name, transp, red, green, blue, texture) &
        bind(C, name='QEV_PUT_3DS_LAYER')
      import :: c_int32_t, c_char
      integer(c_int32_t), intent(in) :: k, transp, red, green, blue
      character(kind=c_char), dimension(*), intent(in) :: name, texture
    end function
    integer(c_int32_t) function qev_put_3ds_n_tri(k, m) bind(C, name='QEV_PUT_3DS_N_TRI')
      import :: c_int32_t
      integer(c_int32_t), intent(in) :: k, m
    end function
    integer(c_int32_t) function qev_put_3ds_triangle(k, t, smoothing, corners, edges, mapping) &
        bind(C, name='QEV_PUT_3DS_TRIANGLE')
      import :: c_int32_t, c_float
      integer(c_int32_t), intent(in) :: k, t, smoothing, edges(3)
      real(c_float), intent(in) :: corners(9), mapping(6)
    end function
    integer(c_int32_t) function qev_put_3ds_triangle_end() bind(C, name='QEV_PUT_3DS_TRIANGLE_END')
      import :: c_int32_t
    end function
    integer(c_int32_t) function qev_put_3ds_end(status) bind(C, name='QEV_PUT_3DS_END')
      import :: c_int32_t
      integer(c_int32_t), intent(out) :: status
    end function
    integer(c_int32_t) function qev_read_3ds_filename(path, status) bind(C, name='QEV_READ_3DS_FILENAME')
      import :: c_int32_t, c_char
      character(kind=c_char), dimension(*), intent(in) :: path
      integer(c_int32_t), intent(out) :: status
    end function
    integer(c_int32_t) function qev_read_3ds_n_layer(n) bind(C, name='QEV_READ_3DS_N_LAYER')
      import :: c_int32_t
      integer(c_int32_t), intent(out) :: n
    end function
    integer(c_int32_t) function qev_read_3ds_layer(k, name, transp, red, green, blue, texture) &
        bind(C, name='QEV_READ_3DS_LAYER')
      import :: c_int32_t, c_char
      integer(c_int32_t), intent(in) :: k
      integer(c_int32_t), intent(out) :: transp, red, green, blue
      character(kind=c_char), dimension(*), intent(out) :: name, texture
    end function
    integer(c_int32_t) function qev_read_3ds_n_tri(k, m) bind(C, name='QEV_READ_3DS_N_TRI')
      import :: c_int32_t
      integer(c_int32_t), intent(in) :: k
      integer(c_int32_t), intent(out) :: m
    end function
    integer(c_int32_t) function qev_read_3ds_triangle(k, t, smoothing, corners, mapping) &
        bind(C, name='QEV_READ_3DS_TRIANGLE')
      import :: c_int32_t, c_float
      integer(c_int32_t), intent(in) :: k, t
      integer(c_int32_t), intent(out) :: smoothing
      real(c_float), intent(out) :: corners(9), mapping(6)
    end function
    integer(c_int32_t) function qev_read_3ds_end() bind(C, name='QEV_READ_3DS_END')
      import :: c_int32_t
    end function
  end interface

  character(len=*), parameter :: path = 'fortran_two_layers.3ds' // c_null_char
  integer(c_int32_t) :: k, t, m, n, status, rc, smoothing
  integer(c_int32_t) :: transp, red, green, blue
  integer(c_int32_t) :: edges(3) = (/ 1, 1, 1 /)
  real(c_float) :: corners(9), mapping(6)
  character(kind=c_char) :: name(64), texture(64)
  integer :: failures

  failures = 0

  ! Write: a grey untextured square (two triangles sharing an edge) and a
  ! textured triangle.
  rc = qev_form_3ds_filename(path)
  rc = qev_put_3ds_n_layer(2)
  rc = qev_put_3ds_layer(1, 'Floor' // c_null_char, 0, 128, 128, 128, c_null_char)
  rc = qev_put_3ds_layer(2, 'Sign' // c_null_char, 25, 255, 0, 0, 'sign.bmp' // c_null_char)

  rc = qev_put_3ds_n_tri(1, 2)
  mapping = 0.0
  corners = (/ 0.0, 0.0, 0.0,  1.0, 0.0, 0.0,  1.0, 1.0, 0.0 /)
  rc = qev_put_3ds_triangle(1, 1, 1, corners, edges, mapping)
  corners = (/ 0.0, 0.0, 0.0,  1.0, 1.0, 0.0,  0.0, 1.0, 0.0 /)
  rc = qev_put_3ds_triangle(1, 2, 1, corners, edges, mapping)
  rc = qev_put_3ds_triangle_end()

  rc = qev_put_3ds_n_tri(2, 1)
  corners = (/ 0.0, 0.0, 1.0,  2.0, 0.0, 1.0,  1.0, 2.0, 1.0 /)
  mapping = (/ 0.0, 0.0,  1.0, 0.0,  0.5, 1.0 /)
  rc = qev_put_3ds_triangle(2, 1, 2, corners, edges, mapping)
  rc = qev_put_3ds_triangle_end()
  rc = qev_put_3ds_end(status)
  if (status /= 0) failures = failures + 1

  ! Read it back.
  rc = qev_read_3ds_filename(path, status)
  if (status /= 0) then
    print '(a, i0)', 'read status ', status
    stop 1
  end if
  rc = qev_read_3ds_n_layer(n)
  print '(a, i0)', 'layers: ', n
  if (n /= 2) failures = failures + 1
  do k = 1, n
    rc = qev_read_3ds_layer(k, name, transp, red, green, blue, texture)
    rc = qev_read_3ds_n_tri(k, m)
    print '(a, i0, 3a, i0, a, 3(i0, 1x), a, i0, 3a)', 'layer ', k, ' "', text(name), '" triangles ', m, &
        ' colour ', red, green, blue, 'transparency ', transp, ' texture "', text(texture), '"'
    do t = 1, m
      rc = qev_read_3ds_triangle(k, t, smoothing, corners, mapping)
      print '(a, i0, a, 9f6.2, a, 6f5.2, a, i0)', '  triangle ', t, ':', corners, ' uv', mapping, &
          ' smoothing ', smoothing
    end do
  end do
  if (text(name) /= 'Sign' .or. text(texture) /= 'sign.bmp' .or. mapping(5) /= 0.5) failures = failures + 1
  rc = qev_read_3ds_end()
  if (rc /= 0) failures = failures + 1

  if (failures /= 0) then
    print '(i0, a)', failures, ' checks failed'
    stop 1
  end if
  print '(a)', 'fortran host: 4 passed, 0 failed'

contains

  ! The NUL-terminated text of a C string buffer as a Fortran string.
  function text(buffer) result(s)
    character(kind=c_char), intent(in) :: buffer(:)
    character(len=:), allocatable :: s
    integer :: i
    s = ''
    do i = 1, size(buffer)
      if (buffer(i) == c_null_char) exit
      s = s // buffer(i)
    end do
  end function

end program two_layers
