# The Debian package, made with CPack's DEB generator by scripts/package.sh: what `cmake --install`
# puts under the prefix /usr, the binary stripped, its library dependencies found by
# dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ksy7100-eval)
set(CPACK_PACKAGE_VENDOR "the KSY7100 evaluation tool authors")
set(CPACK_PACKAGE_CONTACT "the KSY7100 evaluation tool authors <ksy7100-eval@example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Folders made for the package get the permissions Debian expects, whatever the caller's umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "evaluation tool for KSY7100 PLL frequency synthesizers")
set(CPACK_PACKAGE_DESCRIPTION
"A desktop tool for evaluating the KSY7100 family of PLL frequency
synthesizers with on-chip VCO. It computes the chip's four 24-bit latch
words from the settings made in its windows and clocks them into the
evaluation board over the parallel port, a USB bit-bang adapter or the GPIO
header of a single-board computer, and reads the board's supply monitor.

Without a board it runs against a simulated evaluation board. Runs without
windows and a command server serve bench scripts; a Python driver, a
protocol decoder for sigrok and a udev rule for the USB adapters come with
it.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Python driver is a module of Debian's python3 and needs pyvisa to reach the tool; the
# protocol decoder needs a sigrok front end. The libraries of the binary are added to Depends.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "python3")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "python3-pyvisa, python3-pyvisa-py")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3-pymeasure, sigrok-cli | pulseview")
include(CPack)
