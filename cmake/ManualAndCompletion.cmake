# The manual page, turned into troff from its scdoc source, and the shell completion scripts,
# printed by the built program from the option tables its parsers use.
find_program(ORVANE_SCDOC scdoc)
if(ORVANE_SCDOC)
  set(ORVANE_MANUAL "${CMAKE_BINARY_DIR}/doc/orvane.1.gz")
  # Two steps, so that an error of scdoc fails the build instead of leaving a cut page.
  add_custom_command(OUTPUT "${ORVANE_MANUAL}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${CMAKE_BINARY_DIR}/doc"
    COMMAND sh -c "\"$1\" < \"$2\" > \"$3\"" sh
            "${ORVANE_SCDOC}" "${CMAKE_SOURCE_DIR}/doc/orvane.1.scd" "${CMAKE_BINARY_DIR}/doc/orvane.1"
    COMMAND sh -c "gzip -9n < \"$1\" > \"$2\"" sh
            "${CMAKE_BINARY_DIR}/doc/orvane.1" "${ORVANE_MANUAL}"
    DEPENDS "${CMAKE_SOURCE_DIR}/doc/orvane.1.scd"
    COMMENT "Manual page orvane(1)"
    VERBATIM)
  install(FILES "${ORVANE_MANUAL}" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
else()
  message(STATUS "scdoc not found: the manual page is not built (scripts/deps.sh --test installs it)")
endif()

set(ORVANE_COMPLETION_DIR "${CMAKE_BINARY_DIR}/completion")
set(ORVANE_COMPLETIONS
  "${ORVANE_COMPLETION_DIR}/orvane" "${ORVANE_COMPLETION_DIR}/orvane.fish"
  "${ORVANE_COMPLETION_DIR}/_orvane")
add_custom_command(OUTPUT ${ORVANE_COMPLETIONS}
  COMMAND "${CMAKE_COMMAND}" -E make_directory "${ORVANE_COMPLETION_DIR}"
  COMMAND sh -c "\"$1\" completion bash > \"$2/orvane\" && \"$1\" completion fish > \"$2/orvane.fish\" && \"$1\" completion zsh > \"$2/_orvane\""
          sh "$<TARGET_FILE:orvane>" "${ORVANE_COMPLETION_DIR}"
  DEPENDS orvane
  COMMENT "Shell completion scripts"
  VERBATIM)
add_custom_target(orvane_docs ALL DEPENDS ${ORVANE_COMPLETIONS} ${ORVANE_MANUAL})

install(FILES "${ORVANE_COMPLETION_DIR}/orvane"
  DESTINATION "${CMAKE_INSTALL_DATADIR}/bash-completion/completions")
install(FILES "${ORVANE_COMPLETION_DIR}/orvane.fish"
  DESTINATION "${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d")
install(FILES "${ORVANE_COMPLETION_DIR}/_orvane"
  DESTINATION "${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions")
