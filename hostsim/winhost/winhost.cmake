# lumbrel-winhost.exe: the substitute host on Win32, from the same sources as lumbrel-host
# wherever the logic is not Win32's own. The plug-in is not linked in: the host loads
# orvanelumbrel.dll and exports the host services to it (exports.def).

# The JSON and command-line libraries are header-only: the host's own Debian packages serve.
find_path(NLOHMANN_JSON_INCLUDE_DIR nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH
          REQUIRED)
find_path(CLI11_INCLUDE_DIR CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
# Only those two libraries, not the rest of the host system's headers.
set(winhost_third_party ${CMAKE_CURRENT_BINARY_DIR}/third_party)
file(MAKE_DIRECTORY ${winhost_third_party})
file(CREATE_LINK ${NLOHMANN_JSON_INCLUDE_DIR}/nlohmann ${winhost_third_party}/nlohmann SYMBOLIC)
file(CREATE_LINK ${CLI11_INCLUDE_DIR}/CLI ${winhost_third_party}/CLI SYMBOLIC)

add_executable(lumbrel-winhost
    ${hostsim_core_sources}
    ${hostsim_run_sources}
    winhost/main.cpp
    winhost/plugin_library.cpp
    winhost/win32_platform.cpp
    winhost/plugin_failures.cpp
    winhost/dialog_platform.cpp
    winhost/real_controls.cpp
    winhost/dialog_picture.cpp
    winhost/message_pictures.cpp
    winhost/open_command.cpp
)
# a test host, not in the release: -O1 is plenty (its time under Wine goes to Wine itself), and
# it compiles in three quarters of -O2's time, the release build's -O3 longer still; it is the
# longest compile the Wine tests wait for
target_compile_options(lumbrel-winhost PRIVATE -O1)
target_include_directories(lumbrel-winhost PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}
                           ${PROJECT_SOURCE_DIR}/plugin)
target_include_directories(lumbrel-winhost SYSTEM PRIVATE ${winhost_third_party})
target_link_options(lumbrel-winhost PRIVATE -static -static-libgcc -static-libstdc++
                    ${CMAKE_CURRENT_SOURCE_DIR}/winhost/exports.def)
target_link_libraries(lumbrel-winhost PRIVATE comctl32 user32 gdi32 advapi32)
set_target_properties(lumbrel-winhost PROPERTIES
                      RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin
                      LINK_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/winhost/exports.def)
add_dependencies(lumbrel-winhost orvanelumbrel)

# For the tests that click on the plug-in's dialog: its base units and frame, as the dialog
# manager makes them here (tests/win32/interactive.py).
add_executable(dialog_metrics ${PROJECT_SOURCE_DIR}/tests/win32/dialog_metrics.cpp)
target_link_options(dialog_metrics PRIVATE -static -static-libgcc -static-libstdc++)
target_link_libraries(dialog_metrics PRIVATE comctl32 user32)
set_target_properties(dialog_metrics PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)

# For every Wine session of the tests: a program that keeps the session's desktop open between
# the programs the tests start (tests/win32/winhost.py).
add_executable(desktop_user ${PROJECT_SOURCE_DIR}/tests/win32/desktop_user.cpp)
target_link_options(desktop_user PRIVATE -static -static-libgcc -static-libstdc++)
target_link_libraries(desktop_user PRIVATE user32)
set_target_properties(desktop_user PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
