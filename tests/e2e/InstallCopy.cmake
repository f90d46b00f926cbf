# cmake -DBUILD_DIR=... -DPREFIX=... -DPROGRAM_DIR=... -DDOC_DIR=... -P InstallCopy.cmake
# Installs the build into PREFIX afresh (nothing left of an older copy) and checks that the
# program folder holds what the program loads from it.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
    OUTPUT_QUIET RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install ${BUILD_DIR} failed (${result})")
endif()
foreach(file bin/tesselvane bin/tesselvane-reg tesselvane-main.so tesselvane-sound.so
        doc/TESSEL.html png.spi gif.spi webp.spi tiff.spi calendar.bpi colorfilter.bpi)
    if(file MATCHES "^doc/")
        string(REPLACE "doc/" "${DOC_DIR}/" file ${file})
    elseif(NOT file MATCHES "^bin/")
        set(file ${PROGRAM_DIR}/${file})
    endif()
    if(NOT EXISTS ${PREFIX}/${file})
        message(FATAL_ERROR "the installed copy lacks ${file}")
    endif()
endforeach()
