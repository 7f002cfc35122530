# Writes the manual page of quillory-cli from its own help texts: the global help through
# help2man, and each command's --help in a COMMANDS section; then its gzip'd copy (.1.gz).
# cmake -DCLI=<quillory-cli> -DHELP2MAN=<help2man> -DOUT=<file.1> -DWORK=<dir> -P manpage.cmake
set(commands new info field record prototype destination items preview run import export)
set(include "${WORK}/quillory-cli.h2m")
file(WRITE "${include}" "[COMMANDS]\n")
foreach(command ${commands})
    # The help never reads the user's settings, but a private folder keeps it so.
    execute_process(COMMAND "${CMAKE_COMMAND}" -E env "XDG_CONFIG_HOME=${WORK}" "${CLI}" ${command}
                            --help
                    OUTPUT_VARIABLE help RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "quillory-cli ${command} --help failed")
    endif()
    # roff: a line starting with a dot or a quote would be read as a request.
    string(REGEX REPLACE "\n([.'])" "\n\\\\&\\1" help "${help}")
    string(REPLACE "\\" "\\e" help "${help}")
    string(REPLACE "\\e&" "\\&" help "${help}")
    file(APPEND "${include}" ".SS ${command}\n.nf\n${help}.fi\n")
endforeach()
execute_process(
    COMMAND "${HELP2MAN}" --no-info --no-discard-stderr
            --name "merge a table of records into folders and files"
            --include "${include}" --output "${OUT}" "${CLI}"
    RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "help2man failed")
endif()
# Installed compressed, as Debian's manual pages are.
execute_process(COMMAND gzip -9nc "${OUT}" OUTPUT_FILE "${OUT}.gz" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip of the manual page failed")
endif()
