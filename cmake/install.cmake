# What an installed wallcycle consists of, and the Debian package built from it.

set(WALLCYCLE_HOMEPAGE "https://wallcycle.org" CACHE STRING "The project's web page, named in the AppStream data")

install(TARGETS wallcycle RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS wallcycle-desktops wallcycle-gsettings wallcycle-window wallcycle-pictures wallcycle-heif wallcycle-jxl
  LIBRARY DESTINATION ${WALLCYCLE_MODULE_DIR})
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
# What the program cannot do its work without, beyond the libraries it links (dpkg-shlibdeps finds
# those): Qt's X11 display plugin, Qt's readers of TIFF, SVG and the rarer formats, a Japanese
# Gothic for the captions, and libheif's HEIC and AVIF decoders where libheif loads them as
# plugins. Debian 12 and 13 put some of these files in differently named packages: each is named
# by the package that holds it on the system that builds the package.
set(package_needs
  "platforms/libqxcb.so|qt6-qpa-plugins"
  "imageformats/libqtiff.so|qt6-image-formats-plugins"
  "imageformats/libqsvg.so|libqt6svg6")
# gdbus: the menu entry's actions call the running rotation with it.
set(package_depends "fonts-ipafont-gothic | fonts-noto-cjk" libglib2.0-bin)
foreach(need ${package_needs})
  string(REPLACE "|" ";" need "${need}")
  list(GET need 0 plugin)
  list(GET need 1 package)
  execute_process(COMMAND dpkg-query -S ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS}/${plugin}
    OUTPUT_VARIABLE owner ERROR_QUIET RESULT_VARIABLE not_found)
  if(NOT not_found)
    string(REGEX REPLACE ":.*" "" package "${owner}")
  endif()
  list(APPEND package_depends ${package})
endforeach()
pkg_get_variable(heif_builtin_hevc libheif builtin_h265_decoder)
if(NOT heif_builtin_hevc STREQUAL "yes")
  list(APPEND package_depends libheif-plugin-libde265 "libheif-plugin-dav1d | libheif-plugin-aomdec")
endif()
string(REPLACE ";" ", " CPACK_DEBIAN_PACKAGE_DEPENDS "${package_depends}")
# Qt's own dialog texts in Japanese, as the window speaks.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
include(CPack)
