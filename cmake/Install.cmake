# Installing like any Linux program (`cmake --install`) and the Debian package
# (`cpack -G DEB`). The build tree mirrors the installed layout: the `data`
# target writes share/quietorbit/data and share/icons beside bin/, so
# build/bin/quietorbit finds its data from any folder, exactly as an installed
# copy does.
include(GNUInstallDirs)

set(QO_MAINTAINER "quiet orbit developers <quietorbit@example.org>")
set(QO_SHARE ${CMAKE_BINARY_DIR}/share)
set(QO_DIST ${PROJECT_SOURCE_DIR}/dist)
set(QO_DIST_OUT ${CMAKE_BINARY_DIR}/dist)

# mkdata skips the tree when it is up to date; the icons take a fraction of a second.
add_custom_target(data
  COMMAND mkdata ${QO_SHARE}/quietorbit/data
  COMMAND mkdata --icons ${QO_SHARE}/icons/hicolor
  COMMENT "Generating the data tree and the icons"
  VERBATIM)

# The manual page and changelog carry the version; both are compressed the way
# Debian wants them (-n: no name or time stamp, so builds are reproducible).
foreach(doc quietorbit.6 changelog)
  configure_file(${QO_DIST}/${doc} ${QO_DIST_OUT}/${doc} @ONLY)
endforeach()
find_program(GZIP_EXECUTABLE gzip REQUIRED)
add_custom_command(OUTPUT ${QO_DIST_OUT}/quietorbit.6.gz ${QO_DIST_OUT}/changelog.gz
  COMMAND ${GZIP_EXECUTABLE} -9nkf quietorbit.6 changelog
  DEPENDS ${QO_DIST_OUT}/quietorbit.6 ${QO_DIST_OUT}/changelog
  WORKING_DIRECTORY ${QO_DIST_OUT})
add_custom_target(docs ALL DEPENDS ${QO_DIST_OUT}/quietorbit.6.gz ${QO_DIST_OUT}/changelog.gz)

# Directories rwxr-xr-x whatever the umask of whoever installs or packages.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Installing (and packaging) builds what it installs, the program, the data
# tree and the compressed pages, and no more: not the tests and benchmarks.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
install(CODE "
  execute_process(COMMAND \"${CMAKE_COMMAND}\" --build \"${CMAKE_BINARY_DIR}\" --target quietorbit data docs
                  RESULT_VARIABLE qo_build_result)
  if(NOT qo_build_result EQUAL 0)
    message(FATAL_ERROR \"building the program or generating its data failed\")
  endif()")
# Debian keeps games in games/, which is not on root's PATH; bin/quietorbit
# points there, so `quietorbit` starts from any shell.
install(TARGETS quietorbit RUNTIME DESTINATION games)
file(CREATE_LINK ../games/quietorbit ${QO_DIST_OUT}/quietorbit SYMBOLIC)
install(FILES ${QO_DIST_OUT}/quietorbit DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${QO_SHARE}/quietorbit/data DESTINATION ${CMAKE_INSTALL_DATADIR}/quietorbit
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
  PATTERN .mkdata-stamp EXCLUDE)
install(DIRECTORY ${QO_SHARE}/icons DESTINATION ${CMAKE_INSTALL_DATADIR}
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(FILES ${QO_DIST}/quietorbit.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${QO_DIST_OUT}/quietorbit.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES README.md ${QO_DIST}/copyright ${QO_DIST_OUT}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quietorbit)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${QO_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time audiovisual show rendered in software")
# CPack puts the summary first and indents these lines; an empty line becomes " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "quiet orbit plays a show of about six minutes: a loading screen, then six
scenes (intro, cube, circles, metaballs, meshes, greetz) in step with its own
music. Every pixel is computed by the program itself into 512 x 384 buffers
of 15, 16, 24 or 32 bits per pixel and presented through SDL2.

The same program can play the whole show without a screen and record it as
PNG frames and a WAV file, or as a video through ffmpeg, or report how long
each frame takes to draw.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS ffmpeg)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
