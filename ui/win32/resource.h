// The identifiers of the Windows program's resources: its dialogs, their
// controls and its icon. Read by the resource compiler as well as C++.

#ifndef VARNOK_UI_WIN32_RESOURCE_H_
#define VARNOK_UI_WIN32_RESOURCE_H_

#define IDI_APP_ICON 128

// The main dialog and its controls, in tab order.
#define IDD_MAIN_DIALOG 102
#define IDC_PACK 1000
#define IDC_FILE_LIST 1001
#define IDC_SELECT_FILES 1003
#define IDC_BASE_PATH 1004
#define IDC_COMPRESS 1005

// The progress window of a pack: its text, its bar and Cancel (IDCANCEL).
#define IDD_PROGRESS 103
#define IDC_PROGRESS_TEXT 1010
#define IDC_PROGRESS_BAR 1011

// The archive window's controls, in tab order, and its commands; the
// packing dialog takes IDM_OPEN too.
#define IDC_FILTER 1020
#define IDC_ENTRY_LIST 1021
#define IDC_STATUS 1022
#define IDM_OPEN 40001
#define IDM_CLOSE 40002
#define IDM_COPY_NAMES 40003
#define IDM_SELECT_ALL 40004
#define IDM_ARCHIVE_ORDER 40005
#define IDM_FIND 40006
#define IDM_EXTRACT_SELECTED 40007
#define IDM_EXTRACT_SHOWN 40008
#define IDM_EXTRACT_ALL 40009
#define IDM_WITHOUT_FOLDERS 40010
#define IDM_VERIFY 40011
#define IDM_OPEN_ENTRY 40012
#define IDM_DELETE 40013
#define IDM_RENAME 40014
#define IDM_COMPRESS_ADDED 40015

#endif  // VARNOK_UI_WIN32_RESOURCE_H_
