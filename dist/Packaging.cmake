# The Debian package (CPack's DEB generator): `cmake --build build --target package` writes
# kelvane_VERSION_ARCH.deb into the build folder from the installation rules, with the prefix /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Kelvane")
set(CPACK_PACKAGE_CONTACT "Kelvane <dev@kelvane.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "scene editor and render launcher for the YafRay ray tracer")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# The long description, below the summary; CPack indents its lines and marks the empty one.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Kelvane opens the XML scene files that a modeller's exporter writes for the
YafRay ray tracer, however large, lets you edit shaders, textures, lights,
objects, backgrounds, filters and render settings in tabbed panels, and saves
the scene back with its mesh data untouched. It runs the renderer with live
progress and shows, zooms and exports the picture.

The package holds the editor (kelvane), the command-line tool kelvane-scene
(check, list, edit and render scenes, also as Slurm job arrays) and a small
bundled renderer that the editor proposes until a real YafRay is chosen.")
# Libraries come from the binaries; Qt's platform plugins and picture formats are loaded at run
# time, which the binaries do not show.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-image-formats-plugins, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "slurm-client")

include(CPack)
