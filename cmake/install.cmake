# Installation: the public headers under include/skyvale, the library and the platform layer as
# imported targets of find_package(Skyvale), and a pkg-config file for other build systems.
include(CMakePackageConfigHelpers)

set(SKYVALE_PUBLIC_HEADER_DIRS
    ${PROJECT_SOURCE_DIR}/platform/win32/include ${PROJECT_SOURCE_DIR}/platform/d3d9/include
    ${PROJECT_SOURCE_DIR}/platform/xfile/include ${PROJECT_SOURCE_DIR}/d3dx/include)
foreach(dir ${SKYVALE_PUBLIC_HEADER_DIRS})
  install(DIRECTORY ${dir}/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/skyvale)
endforeach()

# The platform layer as one target: windows, messages, GDI text, the device and the X-file parser.
add_library(skyvale_platform INTERFACE)
target_link_libraries(skyvale_platform INTERFACE skyvale_win32 skyvale_d3d9 skyvale_xfile)

set_target_properties(skyvale_win32 PROPERTIES EXPORT_NAME win32)
set_target_properties(skyvale_d3d9 PROPERTIES EXPORT_NAME d3d9)
set_target_properties(skyvale_xfile PROPERTIES EXPORT_NAME xfile)
set_target_properties(skyvale_platform PROPERTIES EXPORT_NAME platform)
set_target_properties(skyvale_main PROPERTIES EXPORT_NAME main)
install(TARGETS d3dx9 skyvale_platform skyvale_win32 skyvale_d3d9 skyvale_xfile skyvale_main
        EXPORT SkyvaleTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(SKYVALE_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Skyvale)
install(EXPORT SkyvaleTargets NAMESPACE Skyvale:: DESTINATION ${SKYVALE_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/package/SkyvaleConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/SkyvaleConfig.cmake INSTALL_DESTINATION ${SKYVALE_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/SkyvaleConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/SkyvaleConfig.cmake ${PROJECT_BINARY_DIR}/SkyvaleConfigVersion.cmake
        DESTINATION ${SKYVALE_CMAKE_DIR})

# A static install needs the dependencies on the consumer's link line; a shared one records them.
set(SKYVALE_PC_DEPS "sdl2 freetype2 fontconfig libpng zlib")
set(SKYVALE_PC_LIBS "-ljpeg -lpthread -ldl")
if(BUILD_SHARED_LIBS)
  set(SKYVALE_PC_REQUIRES "")
  set(SKYVALE_PC_REQUIRES_PRIVATE "${SKYVALE_PC_DEPS}")
  set(SKYVALE_PC_LIBS_PUBLIC "")
  set(SKYVALE_PC_LIBS_PRIVATE "${SKYVALE_PC_LIBS}")
else()
  set(SKYVALE_PC_REQUIRES "${SKYVALE_PC_DEPS}")
  set(SKYVALE_PC_REQUIRES_PRIVATE "")
  set(SKYVALE_PC_LIBS_PUBLIC "${SKYVALE_PC_LIBS}")
  set(SKYVALE_PC_LIBS_PRIVATE "")
endif()
# The prefix is found from the file's own place, so an installed tree can be moved.
file(RELATIVE_PATH SKYVALE_PC_UP /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
configure_file(${PROJECT_SOURCE_DIR}/cmake/package/skyvale.pc.in ${PROJECT_BINARY_DIR}/skyvale.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/skyvale.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
