# Debian packages made by cpack -G DEB (or scripts/package.sh), one per
# install component:
#   tarnix      library: libTarnix.so, tarnix.h, tarnix.pc
#   trx-server  server:  trx_Server, its systemd units and options file
#   corvane     client:  Corvane, its menu entry and icon
# A library-only build has only the library component and makes tarnix
# alone.
#
# The packages install under /usr whatever prefix the build was configured
# with: cpack installs each component with CMAKE_INSTALL_PREFIX=/usr into a
# staging directory, and the units are written then (server/systemd).

set(TARNIX_PACKAGE_MAINTAINER "Tarnix developers <tarnix@example.org>" CACHE STRING
    "The Maintainer field of the Debian packages")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarnix)
set(CPACK_PACKAGE_VENDOR Tarnix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# Each package's description below starts with its own synopsis line.
# CPackDeb puts CPACK_PACKAGE_DESCRIPTION_SUMMARY in front of it unless the
# summary is CPack's default, so the default it stays.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_NAME} built using CMake")
set(CPACK_PACKAGE_CONTACT "${TARNIX_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Packages carry no debug information; the build tree keeps it.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TARNIX_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps names the packages of the shared libraries each binary
# links (libc, libstdc++, Qt, libcurl).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The dependencies between components become Depends with the same version.
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_COMPONENTS_ALL library)
if(NOT TARNIX_LIBRARY_ONLY)
  list(APPEND CPACK_COMPONENTS_ALL server client)
endif()

# tarnix: runtime and development files in one package, since trx_Server
# binds the library by its development name libTarnix.so.
set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME tarnix)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_LIBRARY_DESCRIPTION
    "Tarnix numerical expression library with a C interface
libTarnix.so evaluates expressions with variables and user functions, works
with named matrices (arithmetic, determinants, inverses, linear systems),
integrates, solves and differentiates, and fits polynomials. It comes with
its C header tarnix.h and the pkg-config file tarnix.pc.")
# A shlibs file, so that programs linked to libTarnix.so.1 get a dependency
# on this package from dpkg-shlibdeps (and ldconfig runs on install). CPack
# has no per-component form of it; the other packages hold no library.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")

# trx-server: the server loads the library with dlopen, which
# dpkg-shlibdeps cannot see, hence the component dependency.
set(CPACK_COMPONENT_SERVER_DEPENDS library)
set(CPACK_DEBIAN_SERVER_PACKAGE_NAME trx-server)
set(CPACK_DEBIAN_SERVER_PACKAGE_SECTION science)
set(CPACK_DEBIAN_SERVER_DESCRIPTION
    "Tarnix evaluation server
trx_Server loads the Tarnix library and executes the library calls that
clients (Corvane) send over TCP, headless or with its Client/Server window.
Comes with the systemd units trx-server.service and trx-server@.service
(one server per port) and their options file /etc/default/trx-server.")
# The options file is the administrator's: upgrades keep their changes.
# cpack installs with the prefix /usr, whose configuration lies in /etc.
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/packaging/trx-server/conffiles
     CONTENT "/etc/default/trx-server\n")
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_EXTRA
    ${PROJECT_BINARY_DIR}/packaging/trx-server/conffiles
    ${PROJECT_SOURCE_DIR}/server/systemd/deb/postinst
    ${PROJECT_SOURCE_DIR}/server/systemd/deb/prerm
    ${PROJECT_SOURCE_DIR}/server/systemd/deb/postrm)

# corvane: talks to a trx_Server over TCP, on this machine or another.
set(CPACK_DEBIAN_CLIENT_PACKAGE_NAME corvane)
set(CPACK_DEBIAN_CLIENT_PACKAGE_SECTION math)
set(CPACK_DEBIAN_CLIENT_PACKAGE_SUGGESTS trx-server)
set(CPACK_DEBIAN_CLIENT_DESCRIPTION
    "Tarnix client: scripts, matrices, integrals and plots
Corvane runs scripts of expressions, variables, user functions, matrices,
integrals, polynomials and plots against a Tarnix evaluation server, in its
windows (input box, result blocks, plot windows, colouring and in-line help)
or without one (Corvane --run SCRIPT).")

include(CPack)
