# Run by CPack once the packages exist (CPACK_POST_BUILD_SCRIPTS). CPack's
# -dbgsym packages name their files in md5sums by the absolute staging path
# and have no documentation folder; each is repacked with relative paths and
# its documentation folder linked to that of the package whose symbols it
# holds (which it depends on), as debhelper makes them.
# They lie in the staging folder until CPack copies them out.
file(GLOB ddebs ${CPACK_TOPLEVEL_DIRECTORY}/*-dbgsym_*.ddeb)
foreach(ddeb ${ddebs})
    set(tree ${CPACK_TOPLEVEL_DIRECTORY}/dbgsym-repack)
    file(REMOVE_RECURSE ${tree})
    execute_process(COMMAND dpkg-deb -R ${ddeb} ${tree} COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND dpkg-deb -f ${ddeb} Package OUTPUT_VARIABLE package
                    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX REPLACE "-dbgsym$" "" main ${package})

    file(READ ${tree}/DEBIAN/md5sums sums)
    string(REGEX REPLACE "  [^\n]*-dbgsym/" "  " sums "${sums}")
    file(WRITE ${tree}/DEBIAN/md5sums "${sums}")

    file(MAKE_DIRECTORY ${tree}/usr/share/doc)
    file(CREATE_LINK ${main} ${tree}/usr/share/doc/${package} SYMBOLIC)

    execute_process(COMMAND dpkg-deb --root-owner-group -Zxz --build ${tree} ${ddeb}
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE ${tree})
endforeach()
