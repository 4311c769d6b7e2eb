# SPDX-License-Identifier: GPL-3.0-or-later
# The platform's interfaces alone: plain C++20 headers, no Qt, no X11. The core's services take
# them by reference, so the core links this target (even in a core-only build); the backends that
# implement them are in brisa_platform.
add_library(brisa_platform_interfaces INTERFACE)
target_include_directories(brisa_platform_interfaces INTERFACE ${PROJECT_SOURCE_DIR}/src)
target_sources(brisa_platform_interfaces INTERFACE
  FILE_SET HEADERS BASE_DIRS ${PROJECT_SOURCE_DIR}/src FILES
  ${CMAKE_CURRENT_LIST_DIR}/Clipboard.h
  ${CMAKE_CURRENT_LIST_DIR}/DirectoryWatcher.h
  ${CMAKE_CURRENT_LIST_DIR}/FrontmostApplication.h
  ${CMAKE_CURRENT_LIST_DIR}/KeySynthesizer.h
  ${CMAKE_CURRENT_LIST_DIR}/KeyWatcher.h
  ${CMAKE_CURRENT_LIST_DIR}/MediaPlayers.h
  ${CMAKE_CURRENT_LIST_DIR}/Notifications.h
  ${CMAKE_CURRENT_LIST_DIR}/PanelWindow.h
  ${CMAKE_CURRENT_LIST_DIR}/PointerMonitor.h
  ${CMAKE_CURRENT_LIST_DIR}/ProcessSpawner.h
  ${CMAKE_CURRENT_LIST_DIR}/Screens.h
  ${CMAKE_CURRENT_LIST_DIR}/WindowActivation.h)
