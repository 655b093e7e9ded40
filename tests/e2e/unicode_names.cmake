# The Windows build of the tool under wine takes names outside the system's 8-bit code page (932 on the
# test system), as arguments and in a folder walk.
#   cmake -DWINE=... -DLUMIVEX=lumivex.exe -DPHOTOS=dir -DWORK=dir -P unicode_names.cmake
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/фото/Ψυχή")
file(COPY_FILE "${PHOTOS}/canon-40d.jpg" "${WORK}/café.jpg")
file(COPY_FILE "${PHOTOS}/nikon-gps.jpg" "${WORK}/фото/Ψυχή/снимок.jpg")
file(COPY_FILE "${PHOTOS}/kodak-dc240-mm.jpg" "${WORK}/фото/ünï.JPG")

function(lumivex expected)
    execute_process(COMMAND ${WINE} "${LUMIVEX}" ${ARGN} WORKING_DIRECTORY "${WORK}"
                    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
    if(NOT status EQUAL 0 OR NOT out MATCHES "${expected}")
        message(FATAL_ERROR "lumivex ${ARGN}: status ${status}\n${out}\n${err}\nexpected: ${expected}")
    endif()
endfunction()

lumivex("File name +: café.jpg\n.*Camera model +: Canon EOS 40D" info café.jpg)
# Names in the order of their UTF-8 bytes, as on every system.
lumivex("\"path\": \"фото/ünï.JPG\".*\"byteOrder\": \"MM\".*\n{\"path\": \"фото/Ψυχή/снимок.jpg\".*\"cameraMake\": \"NIKON"
        info --json -r фото)
lumivex("" delete -r фото café.jpg)
foreach(edited "café.jpg" "фото/Ψυχή/снимок.jpg" "фото/ünï.JPG")
    if(NOT EXISTS "${WORK}/${edited}.orig")
        message(FATAL_ERROR "${edited} was not edited")
    endif()
endforeach()
lumivex("\"thumbLength\": 0" info --json "фото/Ψυχή/снимок.jpg")
file(REMOVE_RECURSE "${WORK}")
