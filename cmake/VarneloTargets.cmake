# Compile options shared by every target of the project. They attach to
# targets through the interface library below, never globally.
add_library(varnelo_build_options INTERFACE)
target_compile_options(varnelo_build_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
  -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough)
if(VARNELO_WERROR)
  target_compile_options(varnelo_build_options INTERFACE -Werror)
endif()
if(VARNELO_SANITIZE)
  target_compile_options(varnelo_build_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(varnelo_build_options INTERFACE -fsanitize=address,undefined)
endif()

if(VARNELO_SANITIZE_THREAD)
  target_compile_options(varnelo_build_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(varnelo_build_options INTERFACE -fsanitize=thread)
endif()

if(VARNELO_FUZZ)
  # Coverage feedback for libFuzzer in every library, not just the targets.
  target_compile_options(varnelo_build_options INTERFACE -fsanitize=fuzzer-no-link)
  target_compile_definitions(varnelo_build_options INTERFACE VARNELO_FUZZING)
endif()

# varnelo_add_library(name SOURCES ...) - one library per layer.
function(varnelo_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE varnelo_build_options)
  if(VARNELO_SANITIZE OR VARNELO_SANITIZE_THREAD OR VARNELO_FUZZ)
    # Sanitizer flags must reach whoever links the library, too.
    target_link_libraries(${name} INTERFACE varnelo_build_options)
  endif()
endfunction()
