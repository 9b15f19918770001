#pragma once
// Resource and control identifiers of the program.

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_PROGRAMMER_DIALOG 102
#define IDR_MAINFRAME 128
#define IDM_ABOUTBOX 0x0010

#define IDC_PROGRESS 1000
#define IDC_PORT 1001
#define IDC_STATUS 1003
#define IDC_ABOUT_ICON (-1)
#define IDC_ABOUT_VERSION (-2)
#define IDC_ABOUT_NOTE (-3)
