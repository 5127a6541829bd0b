# Debian package of the tool and its manual page (cpack -G DEB).
