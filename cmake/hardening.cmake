# Hardened programs: the stack protector and _FORTIFY_SOURCE everywhere; on Windows
# ASLR (with high entropy on 64-bit), DEP and a relocation table; on Linux a PIE with
# full RELRO. tests/hardening.sh reads them back from the built files.
set(TG_C_LIKE "$<COMPILE_LANGUAGE:C,CXX>")
add_compile_options("$<${TG_C_LIKE}:-fstack-protector-strong>")
# Fortification wants an optimized build, and the sanitizers check the same calls.
if(NOT TG_SANITIZE)
  add_compile_options("$<$<AND:${TG_C_LIKE},$<NOT:$<CONFIG:Debug>>>:-D_FORTIFY_SOURCE=2>")
endif()
if(WIN32)
  # MinGW-w64's checked functions (__memcpy_chk, ...) and the stack guard come from
  # GCC's libssp, which -fstack-protector-strong links; statically, with -static.
  # binutils 2.36 and later set the DLL characteristics by default: asked for here
  # so that no change of toolchain drops one.
  add_link_options(-fstack-protector-strong -Wl,--dynamicbase -Wl,--nxcompat)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    add_link_options(-Wl,--high-entropy-va)
  endif()
else()
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  include(CheckPIESupported)
  check_pie_supported()
  add_link_options(-Wl,-z,relro,-z,now)
endif()
