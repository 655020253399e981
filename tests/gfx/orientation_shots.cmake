# Runs the game offscreen in orientations 0, 2 and 3 and checks that the screens it saves
# (turned upright by the layer) are the same picture in each: the BackBuffer layouts and the
# frame output put every pixel where the turned display shows it.
#   cmake -DTAVRIN=<binary> -DWORK=<dir> -P orientation_shots.cmake
if(NOT TAVRIN OR NOT WORK)
  message(FATAL_ERROR "orientation_shots.cmake needs TAVRIN and WORK")
endif()
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
# Splash, the main menu, the About screen; fire is Enter.
file(WRITE "${WORK}/shots.script"
  "1500 shot splash.png\n"
  "3000 shot main.png\n"
  "3100 key tap Down\n"
  "3200 key tap Down\n"
  "3300 key tap Enter\n"
  "4500 shot about.png\n"
  "5000 close\n")
set(shots splash.png main.png about.png)
foreach(o 0 2 3)
  file(MAKE_DIRECTORY "${WORK}/o${o}/home")
  # A home of its own: the run may save progress, never into the caller's.
  set(ENV{HOME} "${WORK}/o${o}/home")
  execute_process(
    COMMAND "${TAVRIN}" -platform offscreen -orientation ${o} -script "${WORK}/shots.script"
    WORKING_DIRECTORY "${WORK}/o${o}"
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 120)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "orientation ${o}: exit status ${rc}\n${out}\n${err}")
  endif()
  if(NOT out MATCHES "orientation: ${o}\n")
    message(FATAL_ERROR "orientation ${o}: the display set-up did not report it\n${out}")
  endif()
  foreach(s ${shots})
    if(NOT EXISTS "${WORK}/o${o}/${s}")
      message(FATAL_ERROR "orientation ${o}: no ${s}")
    endif()
  endforeach()
endforeach()
foreach(o 2 3)
  foreach(s ${shots})
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${WORK}/o0/${s}" "${WORK}/o${o}/${s}"
                    RESULT_VARIABLE differ)
    if(differ)
      message(FATAL_ERROR "${s} differs between orientation 0 and ${o} (pictures in ${WORK})")
    endif()
  endforeach()
endforeach()
message(STATUS "splash, main menu and About are the same picture in orientations 0, 2 and 3")
