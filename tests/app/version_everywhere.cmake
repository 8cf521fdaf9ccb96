# Fails unless the manual page, the software centre's description, the package and the
# header the program's texts come from all carry VERSION.
function(expect file text)
    file(READ ${BUILD}/${file} content)
    string(FIND "${content}" "${text}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "${file} does not carry ${text}")
    endif()
endfunction()

expect(desktop/larkspur.1 "\"Larkspur ${VERSION}\"")
expect(desktop/org.larkspur.Larkspur.metainfo.xml "<release version=\"${VERSION}\"")
expect(CPackConfig.cmake "set(CPACK_PACKAGE_VERSION \"${VERSION}\")")
expect(generated/about/version.h "#define LARKSPUR_VERSION \"${VERSION}\"")
message(STATUS "every generated file carries ${VERSION}")
