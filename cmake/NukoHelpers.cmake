# Applies the project's warning set to a target of our own code.
function(nuko_warnings target)
  target_compile_options(${target} PRIVATE ${NUKO_WARNINGS})
endfunction()

# Embeds a file's bytes into a generated C++ source as a byte array with
# the given symbol name (a span is returned by <symbol>()).
function(nuko_embed_file target input symbol)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${symbol}.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${out} -DSYMBOL=${symbol}
            -P ${PROJECT_SOURCE_DIR}/cmake/EmbedFile.cmake
    DEPENDS ${input} ${PROJECT_SOURCE_DIR}/cmake/EmbedFile.cmake
    VERBATIM)
  target_sources(${target} PRIVATE ${out})
endfunction()

# Programs built outside the program folder (tests, benchmarks) look for the
# back-end modules and outside libraries beside themselves: links there to
# the built ones.
function(nuko_link_backend_modules folder)
  file(MAKE_DIRECTORY ${folder})
  foreach(module nuko_backend_fluidsynth nuko_backend_mpv)
    file(CREATE_LINK ${NUKO_PROGRAM_DIR}/${module}.so ${folder}/${module}.so SYMBOLIC)
  endforeach()
  # And the RCP converter, which the MIDI back end loads from there too.
  file(CREATE_LINK ${NUKO_PROGRAM_DIR}/librcpcv.so ${folder}/librcpcv.so SYMBOLIC)
endfunction()
