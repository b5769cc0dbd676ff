# What `cmake --install` puts under the prefix: libtabrix.so with its
# soname and version, the public header, a pkg-config file and a CMake
# package, and the programs, which find the library through a relative
# run path.
include(CMakePackageConfigHelpers)

set(TABRIX_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Tabrix)
set(TABRIX_PROGRAM_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")

install(TARGETS tabrix EXPORT TabrixTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/tabrix/tabrix.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tabrix)

install(EXPORT TabrixTargets NAMESPACE Tabrix:: DESTINATION ${TABRIX_CMAKE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/TabrixConfig.cmake.in
  ${PROJECT_BINARY_DIR}/TabrixConfig.cmake INSTALL_DESTINATION ${TABRIX_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/TabrixConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/TabrixConfig.cmake ${PROJECT_BINARY_DIR}/TabrixConfigVersion.cmake
  DESTINATION ${TABRIX_CMAKE_DIR})

file(RELATIVE_PATH TABRIX_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" TABRIX_PC_TO_PREFIX "${TABRIX_PC_TO_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/tabrix.pc.in ${PROJECT_BINARY_DIR}/tabrix.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/tabrix.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

foreach(program tabrix_cli tabrixtest)
  if(TARGET ${program})
    set_target_properties(${program} PROPERTIES INSTALL_RPATH "${TABRIX_PROGRAM_RPATH}")
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
