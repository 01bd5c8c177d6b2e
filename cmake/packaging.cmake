# Install rules and packages.
#
# `cmake --install` puts the tool, its manual page and the documentation
# (README, LICENSE, the example project) under the prefix. CPack makes a .deb
# and a .tar.gz on Linux and a .zip on Windows. The pieces are components so
# that each package takes what its platform wants:
#   tool    the executable
#   docs    README and the example project
#   plain   the manual page as it is, and LICENSE (a plain install, .tar.gz, .zip)
#   debian  what Debian policy wants instead: the manual page and the changelog
#           compressed, and the copyright file (left out of a plain install)

include(GNUInstallDirs)

if(WIN32)
  # The .zip is opened in Explorer: the .exe and the texts at its top.
  set(DRAVENIK_BIN_DIR .)
  set(DRAVENIK_DOC_DIR .)
else()
  set(DRAVENIK_BIN_DIR ${CMAKE_INSTALL_BINDIR})
  set(DRAVENIK_DOC_DIR ${CMAKE_INSTALL_DOCDIR})
endif()

install(TARGETS dravenik RUNTIME DESTINATION ${DRAVENIK_BIN_DIR} COMPONENT tool)
install(DIRECTORY examples/demo DESTINATION ${DRAVENIK_DOC_DIR}/examples COMPONENT docs)

if(WIN32)
  # Notepad and friends want CR LF line breaks.
  foreach(text README.md LICENSE)
    file(READ ${PROJECT_SOURCE_DIR}/${text} content)
    string(REPLACE "\r\n" "\n" content "${content}")
    string(REPLACE "\n" "\r\n" content "${content}")
    get_filename_component(stem ${text} NAME_WE)
    file(WRITE ${PROJECT_BINARY_DIR}/windows/${stem}.txt "${content}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${text})
  endforeach()
  install(FILES ${PROJECT_BINARY_DIR}/windows/README.txt DESTINATION . COMPONENT docs)
  install(FILES ${PROJECT_BINARY_DIR}/windows/LICENSE.txt DESTINATION . COMPONENT plain)
else()
  install(FILES README.md DESTINATION ${DRAVENIK_DOC_DIR} COMPONENT docs)
  install(FILES man/dravenik.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT plain)
  install(FILES LICENSE DESTINATION ${DRAVENIK_DOC_DIR} COMPONENT plain)

  # Debian's files, made with the build: gzip -n keeps the archives free of
  # time stamps, so the same sources give the same package.
  find_program(DRAVENIK_GZIP gzip REQUIRED)
  set(debian ${PROJECT_BINARY_DIR}/debian)
  configure_file(packaging/debian/changelog.in ${debian}/changelog @ONLY)
  add_custom_command(
    OUTPUT ${debian}/dravenik.1.gz ${debian}/changelog.gz
    COMMAND ${DRAVENIK_GZIP} -9nc ${PROJECT_SOURCE_DIR}/man/dravenik.1 > ${debian}/dravenik.1.gz
    COMMAND ${DRAVENIK_GZIP} -9nc ${debian}/changelog > ${debian}/changelog.gz
    DEPENDS man/dravenik.1 ${debian}/changelog
    COMMENT "Compressing the manual page and the changelog for the .deb")
  add_custom_target(debian_files ALL DEPENDS ${debian}/dravenik.1.gz ${debian}/changelog.gz)
  install(FILES ${debian}/dravenik.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
    COMPONENT debian EXCLUDE_FROM_ALL)
  install(FILES ${debian}/changelog.gz packaging/debian/copyright
    DESTINATION ${DRAVENIK_DOC_DIR} COMPONENT debian EXCLUDE_FROM_ALL)
endif()

set(CPACK_PACKAGE_NAME dravenik)
set(CPACK_PACKAGE_VENDOR "dravenik developers")
set(CPACK_PACKAGE_CONTACT "dravenik developers <dravenik@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "gather the programs of a 68000 assembly project into tables")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_SOURCE_GENERATOR "")

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "64")
    set(DRAVENIK_WINDOWS_ARCH x64)
  else()
    set(DRAVENIK_WINDOWS_ARCH x86)
  endif()
  set(CPACK_PACKAGE_FILE_NAME dravenik-${PROJECT_VERSION}-windows-${DRAVENIK_WINDOWS_ARCH})
else()
  set(CPACK_GENERATOR DEB TGZ)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION devel)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # The extended description; CPack puts the summary above it.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "dravenik takes every .asm file of a project folder as one program of a
Motorola 68000 assembly project and writes four files that the project's
host program pulls in: a table of labels with an include line per program,
the list of the program names, every program's source text, and a table
of offsets into that text.")
  set(CPACK_PACKAGE_FILE_NAME dravenik-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR})
endif()

# Which components each generator takes (see the top of this file).
configure_file(cmake/cpack_project_config.cmake.in ${PROJECT_BINARY_DIR}/CPackProjectConfig.cmake
  @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/CPackProjectConfig.cmake)

include(CPack)
