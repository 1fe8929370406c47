# Compile options shared by every target of the project. They attach to
# targets through the interface library below, never globally.
add_library(varnelo_build_options INTERFACE)
target_compile_options(varnelo_build_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
  -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough
  # Position-independent code that still inlines and calls directly: no
  # symbol of ours is replaced from outside (the library shows only its
  # C interface).
  -fno-semantic-interposition)
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

# Debian's hardening, as dpkg-buildflags gives it with every feature on:
# fortified functions, stack protector, read-only relocations bound at
# start. Where dpkg-buildflags is missing, the same flags Debian 12 gives.
# The sanitizers and fuzzers bring checks of their own instead, and
# fortifying needs an optimised build.
if(VARNELO_HARDENING AND NOT (VARNELO_SANITIZE OR VARNELO_SANITIZE_THREAD OR VARNELO_FUZZ))
  find_program(VARNELO_DPKG_BUILDFLAGS dpkg-buildflags)
  set(hardening_flags)
  if(VARNELO_DPKG_BUILDFLAGS)
    foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
      execute_process(
        COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                ${VARNELO_DPKG_BUILDFLAGS} --get ${kind}
        OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
      separate_arguments(flags UNIX_COMMAND "${flags}")
      list(APPEND hardening_flags ${flags})
    endforeach()
  else()
    set(hardening_flags -D_FORTIFY_SOURCE=2 -fstack-protector-strong -fstack-clash-protection
        -fcf-protection -Werror=format-security -Wl,-z,relro -Wl,-z,now)
  endif()
  foreach(flag IN LISTS hardening_flags)
    if(flag MATCHES "^-D_FORTIFY_SOURCE")
      target_compile_options(varnelo_build_options INTERFACE
        $<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE> $<$<NOT:$<CONFIG:Debug>>:${flag}>)
    elseif(flag MATCHES "^-(fstack-protector|fstack-clash-protection|fcf-protection|Werror=format-security)")
      target_compile_options(varnelo_build_options INTERFACE ${flag})
    elseif(flag MATCHES "^-Wl,-z,")
      target_link_options(varnelo_build_options INTERFACE ${flag})
    endif()
  endforeach()
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
  # Linked into the shared library as well as the programs.
  set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  target_link_libraries(${name} PRIVATE varnelo_build_options)
  if(VARNELO_SANITIZE OR VARNELO_SANITIZE_THREAD OR VARNELO_FUZZ)
    # Sanitizer flags must reach whoever links the library, too.
    target_link_libraries(${name} INTERFACE varnelo_build_options)
  endif()
endfunction()

# varnelo_add_module(target file-name SOURCES ... LIBS ...): a module the
# programs load with dlopen from the module folder once they need what it
# holds, built where they look for it (beside their own folder) and
# installed with the converter.
function(varnelo_add_module target file_name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${target} MODULE ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} varnelo_build_options)
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${file_name} PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/${VARNELO_MODULE_FOLDER}
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  # Only the entry is the module's to show: the engine and the libraries'
  # symbols it links stay its own.
  target_link_options(${target} PRIVATE -Wl,--exclude-libs,ALL)
  if(NOT (VARNELO_SANITIZE OR VARNELO_SANITIZE_THREAD OR VARNELO_FUZZ))
    # The sanitizers' runtimes come with the program, not the module.
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
  endif()
  install(TARGETS ${target} LIBRARY DESTINATION ${VARNELO_MODULE_FOLDER} COMPONENT library)
endfunction()
