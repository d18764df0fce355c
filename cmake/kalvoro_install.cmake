# Installing the desktop game as Linux games are installed (cmake --install, DESTDIR for packages):
# a start script in games/ that runs the game in its data folder, where it finds the shipped stage;
# the tools beside it; the stage sets, the menu entry, the icons, the AppStream file and the manual
# pages under share/.
set(KALVORO_INSTALL_GAMESDIR games)
set(KALVORO_INSTALL_GAMEDIR libexec/shotgun-kalvoro)
set(KALVORO_INSTALL_DATADIR share/games/shotgun-kalvoro)
set(KALVORO_HOMEPAGE "https://kalvoro.org" CACHE STRING
    "Address of the game's home page; the AppStream file points at docs/play.png there")
# The menu entry and the AppStream file are named after the home page's domain, as AppStream asks.
set(KALVORO_APP_ID org.kalvoro.ShotgunKalvoro)
set(KALVORO_ICON_SIZES 16 24 32 48 64 128 256 512)
set(linux ${CMAKE_SOURCE_DIR}/backends/sdl2/linux)

# The start script finds the rest from where it lies, so any prefix works and a symlink to it too.
file(RELATIVE_PATH KALVORO_REL_DATA /${KALVORO_INSTALL_GAMESDIR} /${KALVORO_INSTALL_DATADIR})
file(RELATIVE_PATH KALVORO_REL_GAME /${KALVORO_INSTALL_GAMESDIR} /${KALVORO_INSTALL_GAMEDIR})
configure_file(${linux}/start.sh.in ${CMAKE_BINARY_DIR}/install/shotgun-kalvoro @ONLY)
configure_file(${linux}/${KALVORO_APP_ID}.metainfo.xml.in ${CMAKE_BINARY_DIR}/install/${KALVORO_APP_ID}.metainfo.xml @ONLY)
# The menu runs the start script by its full name (games/ is not on every PATH), under the prefix
# given when installing; its actions start the stage sets by their full folders.
install(CODE "set(KALVORO_FULL_GAMESDIR \"\${CMAKE_INSTALL_PREFIX}/${KALVORO_INSTALL_GAMESDIR}\")
  set(KALVORO_FULL_DATADIR \"\${CMAKE_INSTALL_PREFIX}/${KALVORO_INSTALL_DATADIR}\")
  configure_file(${linux}/${KALVORO_APP_ID}.desktop.in ${CMAKE_BINARY_DIR}/install/${KALVORO_APP_ID}.desktop @ONLY)")

install(PROGRAMS ${CMAKE_BINARY_DIR}/install/shotgun-kalvoro DESTINATION ${KALVORO_INSTALL_GAMESDIR})
install(TARGETS shotgun-kalvoro DESTINATION ${KALVORO_INSTALL_GAMEDIR})
foreach(tool maptool kalvoro-run)
  if(TARGET ${tool})
    install(TARGETS ${tool} DESTINATION ${KALVORO_INSTALL_GAMESDIR})
    install(FILES ${linux}/${tool}.6 DESTINATION share/man/man6)
  endif()
endforeach()
install(FILES ${linux}/shotgun-kalvoro.6 DESTINATION share/man/man6)

install(FILES ${CMAKE_SOURCE_DIR}/tools/maptool/map.txt
        DESTINATION ${KALVORO_INSTALL_DATADIR}/tools/maptool)
foreach(set ${KALVORO_STAGE_SETS})
  set(dir ${KALVORO_${set}_STAGE_DIR})
  get_filename_component(folder ${dir} NAME)
  foreach(stage ${KALVORO_${set}_STAGES})
    install(FILES ${CMAKE_SOURCE_DIR}/${dir}/${stage}.txt ${CMAKE_SOURCE_DIR}/${dir}/${stage}.par
            DESTINATION ${KALVORO_INSTALL_DATADIR}/${folder})
  endforeach()
endforeach()

install(FILES ${CMAKE_BINARY_DIR}/install/${KALVORO_APP_ID}.desktop DESTINATION share/applications)
install(FILES ${CMAKE_BINARY_DIR}/install/${KALVORO_APP_ID}.metainfo.xml DESTINATION share/metainfo)
foreach(size ${KALVORO_ICON_SIZES})
  install(FILES ${CMAKE_SOURCE_DIR}/backends/icons/shotgun-kalvoro-${size}.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME shotgun-kalvoro.png)
endforeach()
