# What an installed wallcycle consists of, and the Debian package built from it.

set(WALLCYCLE_APP_ID org.wallcycle.Wallcycle)
set(WALLCYCLE_HOMEPAGE "https://wallcycle.org" CACHE STRING "The project's web page, named in the AppStream data")

install(TARGETS wallcycle RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS wallcycle-desktops wallcycle-gsettings wallcycle-window wallcycle-pictures LIBRARY DESTINATION ${WALLCYCLE_MODULE_DIR})
install(FILES data/${WALLCYCLE_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/autostart/wallcycle-at-login.desktop data/autostart/wallcycle-rotation.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/wallcycle/autostart)
install(FILES data/${WALLCYCLE_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Bitmap icons, drawn from the SVG.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
foreach(size 48 128)
  set(png ${CMAKE_BINARY_DIR}/icons/${size}/${WALLCYCLE_APP_ID}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}
    COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} ${CMAKE_SOURCE_DIR}/data/${WALLCYCLE_APP_ID}.svg -o ${png}
    DEPENDS data/${WALLCYCLE_APP_ID}.svg VERBATIM)
  list(APPEND icon_pngs ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(icons ALL DEPENDS ${icon_pngs})

configure_file(data/${WALLCYCLE_APP_ID}.metainfo.xml.in ${CMAKE_BINARY_DIR}/${WALLCYCLE_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/${WALLCYCLE_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Manual page and changelog, compressed as Debian keeps them.
configure_file(man/wallcycle.1.in ${CMAKE_BINARY_DIR}/man/wallcycle.1 @ONLY)
foreach(pair "man/wallcycle.1|${CMAKE_BINARY_DIR}/man/wallcycle.1"
             "changelog|${CMAKE_SOURCE_DIR}/data/changelog")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 name)
  list(GET pair 1 source)
  set(gz ${CMAKE_BINARY_DIR}/${name}.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND gzip -9 -n -c ${source} > ${gz}
    DEPENDS ${source} VERBATIM)
  list(APPEND compressed ${gz})
endforeach()
add_custom_target(compressed_docs ALL DEPENDS ${compressed})
install(FILES ${CMAKE_BINARY_DIR}/man/wallcycle.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/changelog.gz data/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME wallcycle)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The wallcycle developers <developers@wallcycle.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "set the desktop wallpaper from a list of pictures")
# The summary above is the synopsis; this is the extended text under it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "wallcycle keeps a list of pictures and sets one of them as the desktop\nwallpaper: the one you pick, a random one at every start, or a random one\nat a fixed interval. It works on GNOME, Cinnamon, MATE, Xfce, KDE Plasma,\nLXQt, LXDE, sway and other wlroots compositors, and any X11 window manager.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${WALLCYCLE_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Readers of the formats desktops ship their wallpapers in (WebP, TIFF, SVG), and Qt's Japanese texts.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "fonts-ipafont-gothic | fonts-noto-cjk, qt6-image-formats-plugins, libqt6svg6, qt6-translations-l10n")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
include(CPack)
