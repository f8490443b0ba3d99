# Where the programs and their decoder library go when installed.
include(GNUInstallDirs)

# The programs share one private folder with the decoder library, which the binding looks for
# beside the executable first.
set(CORVANE_PRIVATE_DIR ${CMAKE_INSTALL_LIBDIR}/corvane)

# Installs a program of ours into the private folder, with a link to it in bin.
function(corvane_install_program target)
  install(TARGETS ${target} RUNTIME DESTINATION ${CORVANE_PRIVATE_DIR})
  # Relative, so the link holds wherever the tree is installed (also under --prefix or DESTDIR).
  file(RELATIVE_PATH link_target /root/${CMAKE_INSTALL_BINDIR} /root/${CORVANE_PRIVATE_DIR}/${target})
  install(CODE "
    set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${target}\")
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(CREATE_LINK \"${link_target}\" \"\${link}\" SYMBOLIC)
    message(STATUS \"Installing: \${link}\")
  ")
endfunction()
