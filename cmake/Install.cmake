# Installation and the Debian package. The board's start directory is /opt/tavorel: the program,
# its settings, ERROR.LOG (shipped empty, so failures are logged from the first day), the control
# files an operator drops there, and the demo show, which the board shows from the same folder
# until config.ini points it elsewhere.
set(TAVOREL_HOME /opt/tavorel)

find_program(PYTHON3_FOR_DEMO NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
set(demo_content ${PROJECT_BINARY_DIR}/demo-content)
add_custom_command(OUTPUT ${demo_content}/.made
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${demo_content}
  COMMAND ${PYTHON3_FOR_DEMO} ${PROJECT_SOURCE_DIR}/scripts/make-demo-show.py ${demo_content}
          --content-only --installed-at ${TAVOREL_HOME}/
  COMMAND ${CMAKE_COMMAND} -E touch ${demo_content}/.made
  DEPENDS ${PROJECT_SOURCE_DIR}/scripts/make-demo-show.py VERBATIM)
add_custom_target(tavorel-demo-content ALL DEPENDS ${demo_content}/.made)
file(WRITE ${PROJECT_BINARY_DIR}/ERROR.LOG "")

install(TARGETS tavorel RUNTIME DESTINATION ${TAVOREL_HOME})
install(TARGETS tavorel_webengine LIBRARY DESTINATION ${TAVOREL_HOME}/lib)
install(FILES ${PROJECT_BINARY_DIR}/config.ini.sample DESTINATION ${TAVOREL_HOME} RENAME config.ini)
install(FILES ${PROJECT_BINARY_DIR}/ERROR.LOG DESTINATION ${TAVOREL_HOME})
install(DIRECTORY ${demo_content}/ DESTINATION ${TAVOREL_HOME} PATTERN ".made" EXCLUDE)
install(FILES ${PROJECT_BINARY_DIR}/tavorel.1 DESTINATION share/man/man1)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/tavorel.service DESTINATION lib/systemd/user)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/tavorel.desktop DESTINATION share/tavorel/autostart)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavorel)
set(CPACK_PACKAGE_VENDOR Tavorel)
set(CPACK_PACKAGE_CONTACT "Tavorel <dev@tavorel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Unattended full-screen display board for X11")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# Loaded at run time rather than linked: the X11 platform plugin of Qt, and the sound server
# client tools operators use with the board.
set(TAVOREL_RUNTIME_DEPENDS "qt6-qpa-plugins, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${TAVOREL_RUNTIME_DEPENDS}")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/conffiles)
include(CPack)
