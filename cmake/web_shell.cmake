# The browser build's shell around the game, for the web build to include: the effects
# through the page's audio, the progress file kept in the browser's storage, the page's
# notices, the web app manifest with its icons, and the service worker for offline play.
#
#   tavrin_web_shell_link(target)       the program's link options (the audio's JS library,
#                                       the storage's pre-js and its fsync, IDBFS) and
#                                       platform/web_storage.cpp
#   tavrin_web_shell_site(target site)  the manifest and the icons into the
#                                       folder site, made before target
#   TAVRIN_WEB_STAMP_SW                 the command that writes site/sw.js; run it once site
#                                       is complete (it lists and hashes every file there):
#                                       cmake -DSITE=<site> ${TAVRIN_WEB_STAMP_SW}

set(TAVRIN_WEB_SHELL_DIR "${CMAKE_SOURCE_DIR}/platform/web")
set(TAVRIN_WEB_STAMP_SW -DTEMPLATE=${TAVRIN_WEB_SHELL_DIR}/sw.js -P ${TAVRIN_WEB_SHELL_DIR}/stamp_sw.cmake)

function(tavrin_web_shell_link target)
  set(audio "${CMAKE_SOURCE_DIR}/sound/web_audio.js")
  set(storage "${TAVRIN_WEB_SHELL_DIR}/storage.js")
  set(fsync "${TAVRIN_WEB_SHELL_DIR}/storage_lib.js")
  target_link_options(${target} PRIVATE "SHELL:--js-library ${audio}" "SHELL:--js-library ${fsync}"
                      "SHELL:--pre-js ${storage}" -lidbfs.js)
  # Nothing calls platform/web_storage.cpp (it works by its static initializer), so a library
  # would leave it out of the link: the program itself is built with it.
  target_sources(${target} PRIVATE "${CMAKE_SOURCE_DIR}/platform/web_storage.cpp")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${audio}" "${storage}" "${fsync}")
endfunction()

function(tavrin_web_shell_site target site)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(icons "")
  foreach(size 48 64 128 192 256 512)
    list(APPEND icons "${site}/icons/tavrin-${size}.png")
  endforeach()
  set(sources "")
  foreach(size 48 64 128 256)
    list(APPEND sources "${CMAKE_SOURCE_DIR}/assets/icons/tavrin-${size}.png")
  endforeach()
  # The same pixels in fewer bytes, where Debian's zopflipng is at hand (it writes a palette
  # where the colours allow one, and never changes a pixel).
  find_program(TAVRIN_ZOPFLIPNG zopflipng)
  set(recompress "")
  if(TAVRIN_ZOPFLIPNG)
    foreach(size 48 64 128 192 256 512)
      list(APPEND recompress COMMAND "${TAVRIN_ZOPFLIPNG}" -y "${site}/icons/tavrin-${size}.png"
           "${site}/icons/tavrin-${size}.png")
    endforeach()
  endif()
  add_custom_command(OUTPUT ${icons}
    COMMAND Python3::Interpreter "${TAVRIN_WEB_SHELL_DIR}/make_icons.py" "${CMAKE_SOURCE_DIR}/assets/icons"
            "${site}/icons"
    ${recompress}
    DEPENDS "${TAVRIN_WEB_SHELL_DIR}/make_icons.py" ${sources}
    COMMENT "The web app's icons"
    VERBATIM)
  add_custom_command(OUTPUT "${site}/manifest.webmanifest"
    COMMAND ${CMAKE_COMMAND} -E copy "${TAVRIN_WEB_SHELL_DIR}/manifest.webmanifest" "${site}/manifest.webmanifest"
    DEPENDS "${TAVRIN_WEB_SHELL_DIR}/manifest.webmanifest"
    VERBATIM)
  add_custom_target(${target}_shell_files ALL DEPENDS ${icons} "${site}/manifest.webmanifest")
  add_dependencies(${target} ${target}_shell_files)
endfunction()
