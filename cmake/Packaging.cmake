# A .deb made by CPack (scripts/package). Its dependencies are worked out
# from the programs' libraries by dpkg-shlibdeps, plus the image plug-ins
# Qt loads at run time, which no library dependency shows. The programs go
# in stripped; their debug symbols go into lumicap-dbgsym (a .ddeb beside
# the .deb), found by the build id as Debian's own -dbgsym packages are.
set(CPACK_PACKAGE_NAME lumicap)
set(CPACK_PACKAGE_VENDOR "Kestrovia")
set(CPACK_PACKAGE_CONTACT "Lumicap developers <lumicap@lumicap.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "edit the description, artist and copyright of photos")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://lumicap.example/")
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-image-formats-plugins")
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
# The synopsis comes from the summary above; this is the long part only,
# in lines CPack indents by one space (so none here).
set(CPACK_PACKAGE_DESCRIPTION "Lumicap edits the ImageDescription, Artist and Copyright tags of the JPEG
and TIFF photos of a folder, with a preview, and applies DESCRIPT.ION files
to many photos at once. Pictures are never re-encoded. The lumicap-tags
command does the same from the command line and from scripts.")
include(CPack)
