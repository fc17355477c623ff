# What makes vuv.exe a release: its version resource and icon, and the ZIP
# packages.
#
# The icon is drawn at build time by tools/icon/make_icon.cpp, compiled for
# the build machine (it runs there, while everything else is cross-built).
#
# Packages (CPack ZIP), made by the target "dist" or by scripts/release.sh:
#   vuv-<version>-win32.zip        vuv.exe, the user guide, the licence
#   vuv-tools-<version>-win32.zip  the stand-in browser lxbr.exe, for people
#                                  who build browsers against the panel
# ("win64" instead of "win32" from the 64-bit toolchain).

set(VUV_GENERATED ${CMAKE_BINARY_DIR}/generated)
configure_file(${PROJECT_SOURCE_DIR}/resources/version.h.in ${VUV_GENERATED}/vuv_version.h @ONLY)

find_program(VUV_HOST_CXX NAMES c++ g++ clang++ REQUIRED
  DOC "C++ compiler of the build machine, for the icon drawer")
set(VUV_ICON_TOOL ${CMAKE_BINARY_DIR}/host/make_icon)
add_custom_command(OUTPUT ${VUV_ICON_TOOL}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
  COMMAND ${VUV_HOST_CXX} -std=c++17 -O2 -o ${VUV_ICON_TOOL} ${PROJECT_SOURCE_DIR}/tools/icon/make_icon.cpp
  DEPENDS ${PROJECT_SOURCE_DIR}/tools/icon/make_icon.cpp
  COMMENT "Building the icon drawer for the build machine"
  VERBATIM)
add_custom_command(OUTPUT ${VUV_GENERATED}/vuv.ico
  COMMAND ${VUV_ICON_TOOL} ${VUV_GENERATED}/vuv.ico
  DEPENDS ${VUV_ICON_TOOL}
  COMMENT "Drawing the panel's icon"
  VERBATIM)

target_sources(vuv PRIVATE ${VUV_GENERATED}/vuv.ico)
target_include_directories(vuv PRIVATE ${VUV_GENERATED} ${PROJECT_SOURCE_DIR}/resources)
set_source_files_properties(${PROJECT_SOURCE_DIR}/resources/vuv.rc PROPERTIES OBJECT_DEPENDS
  "${VUV_GENERATED}/vuv.ico;${VUV_GENERATED}/vuv_version.h;${PROJECT_SOURCE_DIR}/resources/vuv.manifest")

# Packages: each zip holds one folder named like the zip.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(VUV_PACKAGE_ARCH win32)
else()
  set(VUV_PACKAGE_ARCH win64)
endif()
set(VUV_PANEL_PACKAGE vuv-${PROJECT_VERSION}-${VUV_PACKAGE_ARCH})
set(VUV_TOOLS_PACKAGE vuv-tools-${PROJECT_VERSION}-${VUV_PACKAGE_ARCH})

install(TARGETS vuv RUNTIME DESTINATION ${VUV_PANEL_PACKAGE} COMPONENT panel)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/docs/user-guide.html
  DESTINATION ${VUV_PANEL_PACKAGE} COMPONENT panel)
set(VUV_PACKAGE_TARGETS vuv)
if(TARGET lxbr)
  install(TARGETS lxbr RUNTIME DESTINATION ${VUV_TOOLS_PACKAGE} COMPONENT tools)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/docs/stand-in-browser.txt
    DESTINATION ${VUV_TOOLS_PACKAGE} COMPONENT tools)
  list(APPEND VUV_PACKAGE_TARGETS lxbr)
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME vuv)
set(CPACK_PACKAGE_VENDOR "the vuv developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Control panel for many copies of the lxbr browser")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL panel tools)
set(CPACK_ARCHIVE_PANEL_FILE_NAME ${VUV_PANEL_PACKAGE})
set(CPACK_ARCHIVE_TOOLS_FILE_NAME ${VUV_TOOLS_PACKAGE})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
include(CPack)

# "cmake --build <dir> --target dist": builds the two programs only (not
# the tests) and packs them.
add_custom_target(dist
  COMMAND ${CMAKE_CPACK_COMMAND} --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  COMMENT "Packing the release zips into ${CPACK_PACKAGE_DIRECTORY}"
  VERBATIM)
add_dependencies(dist ${VUV_PACKAGE_TARGETS})

# The end-to-end tests compare vuv.exe's version resource with the version.
if(TARGET vuv_e2e_tests)
  target_include_directories(vuv_e2e_tests PRIVATE ${VUV_GENERATED})
  target_link_libraries(vuv_e2e_tests PRIVATE version)
endif()
