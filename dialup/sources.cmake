# TForm1's dial-up side and machine control, built into the main window's library.
set(LARKSPUR_DIALUP_SOURCES
    ${CMAKE_SOURCE_DIR}/dialup/connection_probe.cpp
    ${CMAKE_SOURCE_DIR}/dialup/dial_buttons.cpp
    ${CMAKE_SOURCE_DIR}/dialup/dial_callback.cpp
    ${CMAKE_SOURCE_DIR}/dialup/dial_handover.cpp
    ${CMAKE_SOURCE_DIR}/dialup/dial_handover.h
    ${CMAKE_SOURCE_DIR}/dialup/machine_control.cpp
    ${CMAKE_SOURCE_DIR}/dialup/window_closer.cpp
    ${CMAKE_SOURCE_DIR}/dialup/window_dialup_hooks.cpp
    ${CMAKE_SOURCE_DIR}/dialup/window_dialup_hooks.h
)
