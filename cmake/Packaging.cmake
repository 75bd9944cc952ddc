# What `cpack` ships: on Linux a .deb with kdconfig, kdcfg and kdreader-sim, the desktop
# entry, the icons, the udev rule, the manual pages, kdcfg's bash completion, the
# copyright file and the changelog; from the Windows build a zip with the two exes and
# the same documentation as text.
# Included after every program is defined, so that it can see which ones this build has.
include(GNUInstallDirs)

# The package version is the one the About box shows.
file(STRINGS ${PROJECT_SOURCE_DIR}/resources/strings.h kd_version_line
     REGEX "kToolVersion = \"[0-9.]+\"")
if(NOT kd_version_line MATCHES "\"([0-9.]+)\"")
    message(FATAL_ERROR "no kToolVersion in resources/strings.h")
endif()
set(KD_PACKAGE_VERSION ${CMAKE_MATCH_1})
set(KD_PACKAGE_MAINTAINER "kdconfig maintainers <maintainers@kdconfig.invalid>"
    CACHE STRING "The Maintainer field of the Debian package")

if(WIN32)
    set(kd_bin_dir .)
else()
    set(kd_bin_dir ${CMAKE_INSTALL_BINDIR})
endif()
foreach(program kdconfig kdcfg kdreader-sim)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION ${kd_bin_dir})
    endif()
endforeach()

set(CPACK_PACKAGE_NAME kdconfig)
set(CPACK_PACKAGE_VENDOR "kdconfig")
set(CPACK_PACKAGE_VERSION ${KD_PACKAGE_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration tool for KD fixed-mount code readers")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)

if(WIN32)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/windows/README.txt DESTINATION .)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_SYSTEM_NAME win64)
else()
    set(kd_linux ${PROJECT_SOURCE_DIR}/resources/linux)
    install(FILES ${kd_linux}/60-kdconfig.rules DESTINATION lib/udev/rules.d)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "")
    set(kd_window_text "")
    if(TARGET kdconfig)
        set(kd_window_text "kdconfig checks that a KD code reader on a serial line or its USB virtual
COM port answers, shows its firmware version and build date, reads and
changes its configuration keys and sends it a firmware image or a
configuration file. Its interface is in Chinese.

")
        install(FILES ${kd_linux}/kdconfig.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
        foreach(size 16 24 32 48 64 128 256)
            install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/kdconfig-${size}.png
                    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
                    RENAME kdconfig.png)
        endforeach()
        # The library scan finds Qt's libraries; Debian 12 has the X11 platform plugin
        # in libqt6gui6 with them (qt6-qpa-plugins holds only VNC there). The font is
        # not linked: the dialogs use AR PL UMing where SimSun is not installed.
        set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-arphic-uming")
    endif()
    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KD_PACKAGE_MAINTAINER})
    # CPack puts the summary above it and indents it.
    set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
        "${kd_window_text}kdcfg configures KD code readers from the command line, for scripts and
provisioning: single keys or whole configurations as profiles, many readers
at once. kdreader-sim is a modelled reader on a pseudo-terminal, for
trying the tools without one.

A udev rule lets the dialout group open the reader's ports.")
    # Reloads the udev rules for a reader that is already plugged in.
    set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${kd_linux}/postinst)
    set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()

include(${PROJECT_SOURCE_DIR}/cmake/PackageDocs.cmake)
include(CPack)
