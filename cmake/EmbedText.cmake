# tolv_embed_text(<target> <symbol> <file>): compiles the bytes of <file> into
# <target> as `extern const std::string_view <symbol>` (namespace tolv::embedded),
# regenerated whenever the file changes.
function(tolv_embed_text target symbol file)
  set(out "${CMAKE_CURRENT_BINARY_DIR}/embedded_${symbol}.cpp")
  add_custom_command(
    OUTPUT "${out}"
    COMMAND ${CMAKE_COMMAND} -DINPUT=${file} -DOUTPUT=${out} -DSYMBOL=${symbol}
            -P "${TOLV_CMAKE_DIR}/EmbedTextScript.cmake"
    DEPENDS "${file}" "${TOLV_CMAKE_DIR}/EmbedTextScript.cmake"
    COMMENT "Embedding ${file}"
    VERBATIM)
  target_sources(${target} PRIVATE "${out}")
endfunction()
