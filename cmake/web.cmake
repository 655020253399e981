# The browser build (`make web`): the game compiled by Emscripten to WebAssembly, with the web
# back end (platform/web_backend.cpp) in the desktop's place, and the static site that serves
# it: TAVRIN_WEB_SITE (build-web/) gets index.html (the page's scripts inside it), tavrin.js and
# tavrin.wasm (the catalogue is inside the wasm, as it is inside the native program).
#
# Included before the libraries, for the compile options every file gets; after the program
# is made, tavrin_web_program(tavrin) links it and makes the site (the target web_site).

set(TAVRIN_WEB_SITE "${CMAKE_SOURCE_DIR}/build-web" CACHE PATH "The folder a static server serves the web build from")
set(TAVRIN_WEB_PAGE_DIR "${CMAKE_SOURCE_DIR}/platform/web")

# The few Linux headers the program includes that Emscripten's system headers lack.
include_directories(SYSTEM "${TAVRIN_WEB_PAGE_DIR}/include")
# The code throws nothing and asks no type at run time: both cost size in WebAssembly.
add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions> $<$<COMPILE_LANGUAGE:CXX>:-fno-rtti>)
# The page's download is mostly the pictures and sounds; the code is kept small by
# optimising it whole at link time.
add_compile_options(-flto)
add_link_options(-flto)
# -Oz over the build type's -Os: smaller code for the same behaviour, and the code is not
# where a frame's time goes.
add_compile_options(-Oz)
add_link_options(-Oz)

function(tavrin_web_program target)
  set(library "${TAVRIN_WEB_PAGE_DIR}/backend.js")
  target_link_options(${target} PRIVATE
    # The game's loop keeps its shape: its sleeps hand the browser its time back.
    -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536
    # Only the loop's own direct calls lead to a sleep (the page's waits all happen in
    # sysUsleep): calls through pointers need no unwinding code, which halves the program.
    -sASYNCIFY_IGNORE_INDIRECT=1
    # exit() ends the program as natively, with its output flushed and the page told.
    -sEXIT_RUNTIME=1
    -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=33554432 -sMALLOC=emmalloc
    -sENVIRONMENT=web
    # Less runtime in tavrin.js: no eval or new Function, the browser's own UTF-8 decoder.
    -sDYNAMIC_EXECUTION=0 -sTEXTDECODER=2
    -sEXPORTED_RUNTIME_METHODS=FS,addRunDependency,removeRunDependency
    "SHELL:--js-library ${library}")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${library}")
  if(COMMAND tavrin_web_shell_link)
    tavrin_web_shell_link(${target})
  endif()

  # The site: the page, the program, then whatever the shell adds. The page's own scripts
  # (page.js, and notices.js, which must run before the program) are written into
  # index.html, slimmed (inline_page.py): no requests of their own before the program starts.
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(slim "${TAVRIN_WEB_PAGE_DIR}/slim_js.py")
  set(inline "${TAVRIN_WEB_PAGE_DIR}/inline_page.py")
  set(page_scripts notices.js page.js)
  list(TRANSFORM page_scripts PREPEND "${TAVRIN_WEB_PAGE_DIR}/" OUTPUT_VARIABLE page_script_files)
  add_custom_command(OUTPUT "${TAVRIN_WEB_SITE}/index.html"
    COMMAND Python3::Interpreter "${inline}" "${TAVRIN_WEB_PAGE_DIR}/index.html"
            "${TAVRIN_WEB_SITE}/index.html" ${page_scripts}
    DEPENDS "${TAVRIN_WEB_PAGE_DIR}/index.html" ${page_script_files} "${inline}" "${slim}"
    VERBATIM)
  add_custom_target(${target}_page ALL DEPENDS "${TAVRIN_WEB_SITE}/index.html")
  if(COMMAND tavrin_web_shell_site)
    tavrin_web_shell_site(${target} "${TAVRIN_WEB_SITE}")
  endif()
  set(stamp "")
  if(TAVRIN_WEB_STAMP_SW)
    # The service worker lists and hashes every file of the site: written last.
    set(stamp COMMAND ${CMAKE_COMMAND} -DSITE=${TAVRIN_WEB_SITE} ${TAVRIN_WEB_STAMP_SW}
        COMMAND Python3::Interpreter "${slim}" "${TAVRIN_WEB_SITE}/sw.js" "${TAVRIN_WEB_SITE}/sw.js")
  endif()
  # Copies compressed ahead of time by Debian's zopfli, a few per cent smaller than a server's
  # own gzip, for a server that sends a file's .gz when there is one (nginx's gzip_static).
  # The service worker leaves them out: they are the same files.
  find_program(TAVRIN_ZOPFLI zopfli)
  set(precompress "")
  if(TAVRIN_ZOPFLI)
    foreach(f ${target}.wasm ${target}.js index.html manifest.webmanifest sw.js)
      list(APPEND precompress COMMAND "${TAVRIN_ZOPFLI}" "${TAVRIN_WEB_SITE}/${f}")
    endforeach()
  endif()
  # What an older build left that this one no longer makes would be served, and cached by
  # the service worker: the site keeps only its own files.
  set(keep "^(index\\.html|${target}\\.js|${target}\\.wasm|manifest\\.webmanifest|sw\\.js|icons/tavrin-[0-9]+\\.png)(\\.gz)?$")
  add_custom_target(web_site ALL
    COMMAND ${CMAKE_COMMAND} -E copy "$<TARGET_FILE_DIR:${target}>/${target}.js"
            "$<TARGET_FILE_DIR:${target}>/${target}.wasm" "${TAVRIN_WEB_SITE}/"
    COMMAND ${CMAKE_COMMAND} -DSITE=${TAVRIN_WEB_SITE} -DKEEP=${keep}
            -P "${TAVRIN_WEB_PAGE_DIR}/prune_site.cmake"
    ${stamp}
    ${precompress}
    COMMENT "The web site in ${TAVRIN_WEB_SITE}"
    VERBATIM)
  add_dependencies(web_site ${target} ${target}_page)
endfunction()
