# cmake -DBUILD_DIR=... -DAPP_ID=... -P validate_install.cmake
set(prefix "${BUILD_DIR}/validate-install")
file(REMOVE_RECURSE "${prefix}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}" RESULT_VARIABLE failed
                OUTPUT_QUIET)
if(failed)
  message(FATAL_ERROR "cmake --install failed")
endif()

foreach(path bin/ostrel-portrait-manager
             share/applications/${APP_ID}.desktop
             share/metainfo/${APP_ID}.metainfo.xml
             share/icons/hicolor/scalable/apps/${APP_ID}.svg
             share/icons/hicolor/48x48/apps/${APP_ID}.png)
  if(NOT EXISTS "${prefix}/${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()

# The theme's 48 x 48 folder must hold a picture of that size: the PNG header says so at bytes 16 to 23.
file(READ "${prefix}/share/icons/hicolor/48x48/apps/${APP_ID}.png" header LIMIT 24 HEX)
string(SUBSTRING "${header}" 32 16 size)
if(NOT size STREQUAL "0000003000000030")
  message(FATAL_ERROR "the 48 x 48 icon is not 48 x 48: ${size}")
endif()

foreach(check "desktop-file-validate;${prefix}/share/applications/${APP_ID}.desktop"
              "appstreamcli;validate;--no-net;--pedantic;${prefix}/share/metainfo/${APP_ID}.metainfo.xml")
  execute_process(COMMAND ${check} RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(failed OR out MATCHES "error")
    message(FATAL_ERROR "${check}:\n${out}")
  endif()
  message(STATUS "${check}: ok\n${out}")
endforeach()
