# Installs the build into a scratch prefix and checks it as a desktop would see it.
# -DBUILD_DIR=<build folder> -DICON_SIZES=16,32,...
string(REPLACE "," ";" ICON_SIZES "${ICON_SIZES}")
set(prefix "${BUILD_DIR}/install-check")
file(REMOVE_RECURSE "${prefix}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}"
                RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${errors}")
endif()

set(expected
  bin/quillmark
  share/quillmark/en.lproj/strings.plist
  share/quillmark/help/main.html
  share/applications/quillmark.desktop
  share/mime/packages/quillmark.xml
  share/icons/hicolor/scalable/apps/quillmark.svg)
foreach(size ${ICON_SIZES})
  list(APPEND expected share/icons/hicolor/${size}x${size}/apps/quillmark.png)
endforeach()
foreach(file ${expected})
  if(NOT EXISTS "${prefix}/${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

# The launcher entry, by the desktop's own validator.
find_program(VALIDATOR desktop-file-validate REQUIRED)
execute_process(COMMAND ${VALIDATOR} "${prefix}/share/applications/quillmark.desktop"
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT result EQUAL 0 OR NOT "${out}${err}" STREQUAL "")
  message(FATAL_ERROR "desktop-file-validate: ${out}${err}")
endif()
file(READ "${prefix}/share/applications/quillmark.desktop" entry)
if(NOT entry MATCHES "\nExec=quillmark %f\n" OR NOT entry MATCHES "MimeType=application/x-quillmark-design;")
  message(FATAL_ERROR "the launcher does not hand a design's path to the program")
endif()

# The document types, compiled by the desktop's own MIME database tool.
find_program(MIME_UPDATER update-mime-database REQUIRED)
execute_process(COMMAND ${MIME_UPDATER} "${prefix}/share/mime"
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT result EQUAL 0 OR err MATCHES "[Ee]rror")
  message(FATAL_ERROR "update-mime-database: ${out}${err}")
endif()
file(READ "${prefix}/share/mime/globs2" globs)
foreach(pair "application/x-quillmark-design:\\*\\.qkdoc" "application/x-quillmark-template:\\*\\.vrxtemp"
             "application/x-quillmark-database:\\*\\.qkdt")
  if(NOT globs MATCHES "${pair}")
    message(FATAL_ERROR "document type not registered: ${pair}")
  endif()
endforeach()

# Every icon size is a picture of its size.
foreach(size ${ICON_SIZES})
  file(READ "${prefix}/share/icons/hicolor/${size}x${size}/apps/quillmark.png" header LIMIT 24 HEX)
  string(SUBSTRING "${header}" 32 16 dimensions)
  math(EXPR hex_size "${size}" OUTPUT_FORMAT HEXADECIMAL)
  string(REPLACE "0x" "" hex_size "${hex_size}")
  string(LENGTH "${hex_size}" digits)
  math(EXPR pad "8 - ${digits}")
  string(REPEAT "0" ${pad} zeros)
  set(want "${zeros}${hex_size}${zeros}${hex_size}")
  if(NOT header MATCHES "^89504e47" OR NOT dimensions STREQUAL want)
    message(FATAL_ERROR "icon ${size}x${size} is not a PNG of that size (${header})")
  endif()
endforeach()

# The installed program, without being told where its resources are, starts and finds them.
set(home "${prefix}/home")
file(MAKE_DIRECTORY "${home}/config" "${home}/data" "${home}/tmp")
# --version and --help answer on the terminal without a display (no X, no Wayland, no
# platform plugin named) and start no window.
set(no_display --unset=QUILLMARK_RESOURCES --unset=QT_QPA_PLATFORM --unset=DISPLAY --unset=WAYLAND_DISPLAY
    XDG_CONFIG_HOME=${home}/config XDG_DATA_HOME=${home}/data TMPDIR=${home}/tmp ASAN_OPTIONS=detect_leaks=0)
execute_process(COMMAND ${CMAKE_COMMAND} -E env ${no_display} "${prefix}/bin/quillmark" --version
                RESULT_VARIABLE result OUTPUT_VARIABLE version ERROR_VARIABLE err TIMEOUT 30)
if(NOT result EQUAL 0 OR NOT version MATCHES "^Quillmark [0-9]+\\.[0-9]+")
  message(FATAL_ERROR "quillmark --version without a display: ${result} ${version}${err}")
endif()
foreach(option --help -h)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env ${no_display} "${prefix}/bin/quillmark" ${option}
                  RESULT_VARIABLE result OUTPUT_VARIABLE usage ERROR_VARIABLE err TIMEOUT 30)
  if(NOT result EQUAL 0 OR NOT usage MATCHES "^Usage: quillmark " OR NOT usage MATCHES "--version")
    message(FATAL_ERROR "quillmark ${option} without a display: ${result} ${usage}${err}")
  endif()
endforeach()
# A mistyped option is named on the terminal with the usage and a failing status, without a
# display and without a crash (a crash's status is above 128).
foreach(option --bogus -x --versoin=1)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env ${no_display} "${prefix}/bin/quillmark" ${option}
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 30)
  if(NOT result MATCHES "^[0-9]+$" OR result EQUAL 0 OR result GREATER 127
     OR NOT err MATCHES "unknown option ${option}" OR NOT err MATCHES "Usage: quillmark ")
    message(FATAL_ERROR "quillmark ${option} without a display: ${result} ${out}${err}")
  endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=QUILLMARK_RESOURCES
                  QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=${home}/config XDG_DATA_HOME=${home}/data
                  TMPDIR=${home}/tmp ASAN_OPTIONS=detect_leaks=0
                  "${prefix}/bin/quillmark" --self-check
                WORKING_DIRECTORY "${home}"
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 240)
file(REAL_PATH "${prefix}/share/quillmark" installed_resources)
if(NOT result EQUAL 0 OR NOT out MATCHES "resources: ${installed_resources}\n" OR NOT out MATCHES "window: ok")
  message(FATAL_ERROR "the installed program did not start on its own resources (${result}):\n${out}${err}")
endif()
message(STATUS "installed and checked in ${prefix}")
