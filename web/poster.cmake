# The poster frame the page shows behind its start button: one frame of the
# metaballs scene, recorded by the native program from the data the page packs.
#   cmake -DPROGRAM=... -DDATA=... -DWORK=... -DOUT=.../poster.png -P poster.cmake
# The frame lands under OUT only once it is complete.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(CREATE_LINK ${DATA} ${WORK}/data SYMBOLIC)
set(ENV{SDL_VIDEODRIVER} dummy)
set(ENV{SDL_AUDIODRIVER} dummy)
execute_process(COMMAND ${PROGRAM} --record=frames --start=metaballs --frames=1500 -nosound
                WORKING_DIRECTORY ${WORK} RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT status EQUAL 0 OR NOT EXISTS ${WORK}/frames/frame_001500.png)
  message(FATAL_ERROR "poster: ${PROGRAM} recorded no frame 1500 (${status}): ${errors}")
endif()
file(RENAME ${WORK}/frames/frame_001500.png ${OUT})
file(REMOVE_RECURSE ${WORK})
