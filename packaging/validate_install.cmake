# cmake -DBUILD_DIR=... -DAPP_ID=... -DICON_SIZES=16,22,... -DSCREENSHOTS=docs-dir -DUNINSTALL=uninstall.cmake
#       -P validate_install.cmake
cmake_minimum_required(VERSION 3.25)
set(prefix "${BUILD_DIR}/validate-install")
file(REMOVE_RECURSE "${prefix}")
# What another program keeps in the prefix: a folder of its own on the way to ours, and a file in one of
# ours. Uninstalling must leave both, and remove every folder the install made.
file(MAKE_DIRECTORY "${prefix}/share/applications")
file(WRITE "${prefix}/share/icons/hicolor/48x48/apps/another.png" "")
file(GLOB_RECURSE before LIST_DIRECTORIES true RELATIVE "${prefix}" "${prefix}/*")

# Every install rewrites the build tree's manifest and notes its folders there, and the README's uninstall
# reads both: the user's own install must stay listed, not this scratch one, whose lists go beside it.
set(lists "${BUILD_DIR}/install_manifest.txt" "${BUILD_DIR}/install_folders.txt")
foreach(list IN LISTS lists)
  if(EXISTS "${list}")
    file(RENAME "${list}" "${list}.kept")
  endif()
endforeach()
# Twice: installing again over its own install must not make its folders look like the user's.
foreach(time 1 2)
  execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}" RESULT_VARIABLE failed
                  OUTPUT_QUIET)
endforeach()
foreach(list IN LISTS lists)
  get_filename_component(name "${list}" NAME)
  if(EXISTS "${list}")
    file(RENAME "${list}" "${prefix}.${name}")
  endif()
  if(EXISTS "${list}.kept")
    file(RENAME "${list}.kept" "${list}")
  endif()
endforeach()
if(failed)
  message(FATAL_ERROR "cmake --install failed")
endif()

foreach(path bin/ostrel-portrait-manager
             share/applications/${APP_ID}.desktop
             share/metainfo/${APP_ID}.metainfo.xml
             share/icons/hicolor/scalable/apps/${APP_ID}.svg)
  if(NOT EXISTS "${prefix}/${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()

# The width and height of a PNG, from its header's bytes 16 to 23.
function(png_size file out)
  file(READ "${file}" header LIMIT 24 HEX)
  string(SUBSTRING "${header}" 32 8 width)
  string(SUBSTRING "${header}" 40 8 height)
  math(EXPR width "0x${width}")
  math(EXPR height "0x${height}")
  set(${out} "${width}x${height}" PARENT_SCOPE)
endfunction()

# Each theme folder must hold a picture of its own size, not one the theme would have to scale.
string(REPLACE "," ";" sizes "${ICON_SIZES}")
if(NOT sizes)
  message(FATAL_ERROR "no icon sizes given")
endif()
foreach(size IN LISTS sizes)
  set(icon "${prefix}/share/icons/hicolor/${size}x${size}/apps/${APP_ID}.png")
  if(NOT EXISTS "${icon}")
    message(FATAL_ERROR "not installed: the ${size} x ${size} icon")
  endif()
  png_size("${icon}" found)
  if(NOT found STREQUAL "${size}x${size}")
    message(FATAL_ERROR "the ${size} x ${size} icon is ${found}")
  endif()
endforeach()

# A software centre lays out the screenshots by the sizes the metainfo gives; they must be the pictures'.
file(READ "${prefix}/share/metainfo/${APP_ID}.metainfo.xml" metainfo)
string(REGEX MATCHALL "<image[^>]*>[^<]*</image>" images "${metainfo}")
if(NOT images)
  message(FATAL_ERROR "the metainfo shows no screenshot")
endif()
foreach(image IN LISTS images)
  string(REGEX MATCH "width=\"([0-9]+)\" height=\"([0-9]+)\">[^<]*/([^/<]+)<" parsed "${image}")
  if(NOT parsed)
    message(FATAL_ERROR "cannot read the size and file of ${image}")
  endif()
  png_size("${SCREENSHOTS}/${CMAKE_MATCH_3}" found)
  if(NOT found STREQUAL "${CMAKE_MATCH_1}x${CMAKE_MATCH_2}")
    message(FATAL_ERROR "the metainfo gives ${CMAKE_MATCH_3} as ${CMAKE_MATCH_1}x${CMAKE_MATCH_2}, the picture is ${found}")
  endif()
endforeach()

# Every remark fails the check but the upper-case letters of the id, which is also the desktop entry's
# and the icon's name and which the program announces to the desktop.
set(accepted cid-contains-uppercase-letter)
foreach(check "desktop-file-validate;${prefix}/share/applications/${APP_ID}.desktop"
              "appstreamcli;validate;--no-net;--pedantic;${prefix}/share/metainfo/${APP_ID}.metainfo.xml")
  execute_process(COMMAND ${check} RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE out)
  string(REGEX MATCHALL "(^|\n)[EWIP]: [^\n]*: [a-z0-9-]+" remarks "${out}")
  string(REGEX MATCHALL "(error|warning|hint): " dfv_remarks "${out}")
  set(unexpected ${dfv_remarks})
  foreach(remark IN LISTS remarks)
    string(REGEX MATCH "[a-z0-9-]+$" tag "${remark}")
    if(NOT tag IN_LIST accepted)
      list(APPEND unexpected "${tag}")
    endif()
  endforeach()
  if(failed OR unexpected)
    message(FATAL_ERROR "${check}:\n${out}")
  endif()
  message(STATUS "${check}: ok\n${out}")
endforeach()

execute_process(COMMAND ${CMAKE_COMMAND} -DMANIFEST=${prefix}.install_manifest.txt
                        -DFOLDERS=${prefix}.install_folders.txt -P "${UNINSTALL}"
                RESULT_VARIABLE failed OUTPUT_QUIET)
file(GLOB_RECURSE after LIST_DIRECTORIES true RELATIVE "${prefix}" "${prefix}/*")
if(failed OR NOT after STREQUAL before)
  message(FATAL_ERROR "uninstalling left ${after}\nwhere there was ${before}")
endif()
