# The converter's libraries for Windows, built from Debian's sources by this build: libpng and
# giflib from their source packages (fetched by scripts/windows-deps into GLINT_WINDOWS_DEPS),
# zlib from the MinGW package, CLI11's headers alone, GoogleTest from the sources Debian installs.
enable_language(C)
set(GLINT_WINDOWS_DEPS "${CMAKE_BINARY_DIR}/deps" CACHE PATH "Fetched sources of the Windows libraries")
file(GLOB png_dir LIST_DIRECTORIES true "${GLINT_WINDOWS_DEPS}/libpng1.6-*")
file(GLOB gif_dir LIST_DIRECTORIES true "${GLINT_WINDOWS_DEPS}/giflib-*")
if(NOT png_dir OR NOT gif_dir)
  message(FATAL_ERROR "libpng and giflib sources missing in ${GLINT_WINDOWS_DEPS}: run scripts/windows-deps")
endif()
set(GLINT_THIRD_PARTY_DIRS "${png_dir};${gif_dir}" CACHE INTERNAL "")

find_library(ZLIB_STATIC libz.a REQUIRED)
add_library(ZLIB::ZLIB STATIC IMPORTED)
set_target_properties(ZLIB::ZLIB PROPERTIES IMPORTED_LOCATION ${ZLIB_STATIC})

# Their own code, not ours: built without our warnings.
set(third_party_flags -w)

configure_file(${png_dir}/scripts/pnglibconf.h.prebuilt ${CMAKE_BINARY_DIR}/png/pnglibconf.h COPYONLY)
add_library(glint_png STATIC
  ${png_dir}/png.c ${png_dir}/pngerror.c ${png_dir}/pngget.c ${png_dir}/pngmem.c
  ${png_dir}/pngpread.c ${png_dir}/pngread.c ${png_dir}/pngrio.c ${png_dir}/pngrtran.c
  ${png_dir}/pngrutil.c ${png_dir}/pngset.c ${png_dir}/pngtrans.c ${png_dir}/pngwio.c
  ${png_dir}/pngwrite.c ${png_dir}/pngwtran.c ${png_dir}/pngwutil.c)
target_include_directories(glint_png SYSTEM PUBLIC ${png_dir} ${CMAKE_BINARY_DIR}/png)
target_compile_options(glint_png PRIVATE ${third_party_flags})
target_link_libraries(glint_png PUBLIC ZLIB::ZLIB)
add_library(PNG::PNG ALIAS glint_png)

add_library(glint_gif STATIC
  ${gif_dir}/dgif_lib.c ${gif_dir}/egif_lib.c ${gif_dir}/gifalloc.c ${gif_dir}/gif_err.c
  ${gif_dir}/gif_font.c ${gif_dir}/gif_hash.c ${gif_dir}/openbsd-reallocarray.c
  ${gif_dir}/quantize.c)
target_include_directories(glint_gif SYSTEM PUBLIC ${gif_dir})
target_compile_options(glint_gif PRIVATE ${third_party_flags})
add_library(GIF::GIF ALIAS glint_gif)

# CLI11 ships headers only; its folder alone goes on the include path, not the rest of the
# host's /usr/include.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/cli11)
file(CREATE_LINK /usr/include/CLI ${CMAKE_BINARY_DIR}/cli11/CLI SYMBOLIC)
add_library(CLI11::CLI11 INTERFACE IMPORTED)
set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${CMAKE_BINARY_DIR}/cli11)
set(CLI11_FOUND TRUE)

if(GLINT_TESTS)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(t gtest gtest_main gmock gmock_main)
    target_compile_options(${t} PRIVATE ${third_party_flags})
  endforeach()
endif()
