# Warning and floating-point settings shared by the project's targets.

function(qev_set_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 $<$<BOOL:${QEV_WERROR}>:/WX>)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
      $<$<BOOL:${QEV_WERROR}>:-Werror>)
  endif()
endfunction()

# Welding rounds every step to f32 or f64 as written: no fused multiply-add,
# and on 32-bit x86 SSE2 instead of the x87 unit's extended precision.
function(qev_set_exact_float target)
  if(NOT MSVC)
    target_compile_options(${target} PRIVATE -ffp-contract=off)
    if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i[3-6]86|x86)$")
      target_compile_options(${target} PRIVATE -msse2 -mfpmath=sse)
    endif()
  endif()
endfunction()
