# Installs the build into a scratch prefix and checks the desktop layout: the program in bin/, its
# bundled directory in share/quillowave/ (not beside the program), the desktop entry that opens
# addresses and playlists, and the icon in the hicolor theme. Run by ctest with BUILD and WORK.
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${WORK}
                RESULT_VARIABLE failed OUTPUT_QUIET)
if(failed)
    message(FATAL_ERROR "installing into ${WORK} failed")
endif()
foreach(file bin/quillowave share/quillowave/presets.xml.gz
        share/applications/quillowave.desktop share/icons/hicolor/scalable/apps/quillowave.svg)
    if(NOT EXISTS ${WORK}/${file})
        message(FATAL_ERROR "${file} is not installed")
    endif()
endforeach()
if(EXISTS ${WORK}/bin/presets.xml.gz)
    message(FATAL_ERROR "the bundled directory is installed beside the program")
endif()
file(READ ${WORK}/share/applications/quillowave.desktop entry)
foreach(line "Exec=quillowave %U" "Icon=quillowave" "audio/x-scpls;" "audio/x-mpegurl;"
        "application/vnd.apple.mpegurl;" "audio/x-ms-asx;")
    string(FIND "${entry}" "${line}" at)
    if(at LESS 0)
        message(FATAL_ERROR "the desktop entry lacks \"${line}\"")
    endif()
endforeach()
execute_process(COMMAND ${WORK}/bin/quillowave --version OUTPUT_VARIABLE version
                RESULT_VARIABLE failed)
if(failed OR NOT version MATCHES "^Quillowave ")
    message(FATAL_ERROR "the installed program does not answer --version: ${version}")
endif()
file(REMOVE_RECURSE ${WORK})
