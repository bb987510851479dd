# Tabulon.dll: the Win32 shell over the core.

# The project's version is read from version.h's text; its numbers (for the version resource)
# must say the same.
foreach(part MAJOR MINOR PATCH)
  file(STRINGS ${CMAKE_CURRENT_SOURCE_DIR}/version.h tabulon_version_line
       REGEX "^#define TABULON_VERSION_${part} ")
  string(REGEX MATCH "[0-9]+$" tabulon_version_number "${tabulon_version_line}")
  if(NOT tabulon_version_number STREQUAL PROJECT_VERSION_${part})
    message(FATAL_ERROR "version.h: TABULON_VERSION_${part} is '${tabulon_version_number}', its text says ${PROJECT_VERSION}")
  endif()
endforeach()

add_library(Tabulon SHARED
  plugin/entry_points.cpp
  plugin/commands.cpp
  plugin/notification_dispatch.cpp
  plugin/settings.cpp
  plugin/docking.cpp
  plugin/theme.cpp
  plugin/toolbar.cpp
  model/editor_access.cpp
  model/cell_text.cpp
  panel/grid_panel.cpp
  panel/panel_window.cpp
  panel/refresh.cpp
  panel/columns.cpp
  panel/grid_painting.cpp
  panel/dark_buttons.cpp
  panel/dark_combo.cpp
  panel/gdi_objects.cpp
  panel/selection.cpp
  panel/grid_input.cpp
  panel/host_shortcuts.cpp
  panel/context_menu.cpp
  panel/find_bar.cpp
  panel/sort_dialog.cpp
  panel/background_work.cpp
  panel/problem_marks.cpp
  panel/shown_rows.cpp
  panel/filter_row.cpp
  panel/column_view.cpp
  panel/document_views.cpp
  edit/cell_editor.cpp
  edit/title_edit.cpp
  edit/range_fill.cpp
  edit/cell_edit.cpp
  edit/row_column_operations.cpp
  edit/sort_rows.cpp
  edit/record_bookmarks.cpp
  edit/boxes.cpp
  edit/find_replace.cpp
  edit/clipboard.cpp
  resources/tabulon.rc
)
set_target_properties(Tabulon PROPERTIES OUTPUT_NAME Tabulon PREFIX "")
target_include_directories(Tabulon PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
# Plain ...W functions throughout; Windows 7 is the oldest system whose headers we use
# (anything newer, such as GetDpiForWindow, is looked up at run time).
target_compile_definitions(Tabulon PRIVATE
  UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601 WINVER=0x0601)
target_link_libraries(Tabulon PRIVATE tabulon_core comctl32 uxtheme shlwapi gdi32 user32)
