# Installing: the programs in bin/, the platform's libraries, the driver and
# kernel-driver modules and their registry in a private library folder that
# the programs find through their RPATH (nothing on the system's library
# path), the desktop entry, the icons and the manual pages. Everything is
# found relative to the installed files, so an installed tree can be moved.
include(GNUInstallDirs)

set(WINPLAT_INSTALL_PRIVATE_DIR lib/snapfetch)
set(WINPLAT_INSTALL_BIN_DIR bin)

# The project's version, for programs that print it (--version): linking
# snapfetch_version defines SNAPFETCH_VERSION ("1.0.0").
add_library(snapfetch_version INTERFACE)
target_compile_definitions(snapfetch_version INTERFACE SNAPFETCH_VERSION="${PROJECT_VERSION}")

# Installs a program of the project into bin/, finding the platform's
# libraries in the private folder. winplat_install_rules calls it for every
# program of the project.
function(winplat_install_program target)
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN/../${WINPLAT_INSTALL_PRIVATE_DIR}")
  install(TARGETS ${target} RUNTIME DESTINATION ${WINPLAT_INSTALL_BIN_DIR})
endfunction()

# Installs shared libraries and modules into the private folder; they find
# each other beside themselves.
function(winplat_install_private_library)
  foreach(target IN LISTS ARGN)
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN")
    install(TARGETS ${target} LIBRARY DESTINATION ${WINPLAT_INSTALL_PRIVATE_DIR})
  endforeach()
endfunction()

# Called once at the end of the top-level list, when every library and
# module is known.
function(winplat_install_rules)
  get_property(libraries GLOBAL PROPERTY WINPLAT_LIBRARIES)
  get_property(modules GLOBAL PROPERTY WINPLAT_MODULES)
  winplat_install_private_library(${libraries} ${modules})
  winplat_write_registry(${CMAKE_BINARY_DIR}/install/winplat.reg INSTALLED)
  install(FILES ${CMAKE_BINARY_DIR}/install/winplat.reg DESTINATION ${WINPLAT_INSTALL_PRIVATE_DIR})

  foreach(program snapfetch camsim camlink snapctl)
    if(TARGET ${program})
      winplat_install_program(${program})
    endif()
  endforeach()

  # Manual pages, with the project's version, compressed as the system's are.
  set(pages)
  foreach(page snapfetch snapctl camsim camlink)
    set(text ${CMAKE_BINARY_DIR}/install/man/${page}.1)
    configure_file(${CMAKE_SOURCE_DIR}/doc/${page}.1 ${text} @ONLY)
    set(out ${text}.gz)
    add_custom_command(OUTPUT ${out}
      COMMAND sh -c "gzip -9 -n -c \"$1\" > \"$2\"" sh ${text} ${out}
      DEPENDS ${text}
      COMMENT "Compressing the manual page of ${page}"
      VERBATIM)
    list(APPEND pages ${out})
  endforeach()
  add_custom_target(snapfetch_man_pages ALL DEPENDS ${pages})
  install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

  # The desktop entry and the icon in the usual sizes, drawn by the
  # artwork's icon tool.
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/snapfetch.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  set(icon_dir ${CMAKE_BINARY_DIR}/install/icons)
  set(icons)
  foreach(size 16 32 48 64 128 256)
    list(APPEND icons ${icon_dir}/snapfetch-${size}.png)
  endforeach()
  add_custom_command(OUTPUT ${icons}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${icon_dir}
    COMMAND ${CMAKE_COMMAND} -E env XDG_DATA_HOME=${icon_dir}/data WINPLAT_RUNTIME_DIR=${icon_dir}/run
            $<TARGET_FILE:snapfetch_icons> ${icon_dir} 16 32 48 64 128 256
    DEPENDS snapfetch_icons
    COMMENT "Drawing snapfetch's icons"
    VERBATIM)
  add_custom_target(snapfetch_icon_files ALL DEPENDS ${icons})
  foreach(size 16 32 48 64 128 256)
    install(FILES ${icon_dir}/snapfetch-${size}.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME snapfetch.png)
  endforeach()
endfunction()

# The Debian package (cpack -G DEB): the run-time packages of the programs,
# nothing of the build.
set(CPACK_PACKAGE_NAME snapfetch)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "snapfetch developers <snapfetch@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "copies pictures from a USB digital still camera")
set(CPACK_PACKAGE_DESCRIPTION "A dialog program (snapfetch) that shows a camera's thumbnails and downloads or
deletes its pictures, a console program (snapctl) that does the same from
scripts, a virtual camera (camsim) and camlink, which plugs in the cameras
that libgphoto2 can talk to.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# dpkg-shlibdeps names the packages of the libraries the programs link, with
# their versions, under this distribution's names; the fonts that text is
# drawn with are added by hand.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${CMAKE_BINARY_DIR}/lib")
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core")
set(CPACK_STRIP_FILES ON)
include(CPack)
