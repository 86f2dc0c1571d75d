enable_language(RC)
# Statically linked: without -static winpthread stays a DLL beside the exe.
add_link_options(-static -static-libgcc -static-libstdc++)
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
