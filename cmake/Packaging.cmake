# A .deb made by CPack (scripts/package). Its dependencies are worked out
# from the programs' libraries by dpkg-shlibdeps, plus the image plug-ins
# Qt loads at run time, which no library dependency shows.
set(CPACK_PACKAGE_NAME lumicap)
set(CPACK_PACKAGE_VENDOR "Kestrovia")
set(CPACK_PACKAGE_CONTACT "Lumicap developers <lumicap@lumicap.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Edit the description, artist and copyright of your photos")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://lumicap.example/")
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-image-formats-plugins")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Edit the description, artist and copyright of your photos
 Lumicap edits the ImageDescription, Artist and Copyright tags of the JPEG and
 TIFF photos of a folder, with a preview, and applies DESCRIPT.ION files to
 many photos at once. Pictures are never re-encoded.")
include(CPack)
