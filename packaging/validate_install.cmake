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

foreach(check "desktop-file-validate;${prefix}/share/applications/${APP_ID}.desktop"
              "appstreamcli;validate;--no-net;--pedantic;${prefix}/share/metainfo/${APP_ID}.metainfo.xml")
  execute_process(COMMAND ${check} RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(failed OR out MATCHES "error")
    message(FATAL_ERROR "${check}:\n${out}")
  endif()
  message(STATUS "${check}: ok\n${out}")
endforeach()
