// SPDX-License-Identifier: MIT
/* Resource and control ids of the Windows program, shared by the resource
   script and the window code. Plain #defines, because the resource compiler
   reads this file too. The command ids must equal the dispatch's own table;
   the window code checks that at compile time. */
#pragma once

#define IDI_QUILLFEN 128
#define IDR_MAINMENU 129
#define IDD_ABOUTBOX 200
#define IDD_MAINWINDOW 201
/* The main window's client area while restored, in dialog units. */
#define MAINWINDOW_WIDTH 281
#define MAINWINDOW_HEIGHT 114

#define IDC_VERSIONTEXT 1000
#define IDC_PORTLIST 1001
#define IDC_FINDALLMODEMS 1002
#define IDC_FAXTESTSELECTMODEM 1003
#define IDC_FAXTESTALLMODEMS 1004
#define IDC_SEND 1005
#define IDC_COMMANDEDIT 1006
#define IDC_ABORTEVENT 1007
#define IDC_LOGPANE 1008
#define IDC_HELPPANE 1009
#define IDC_REPORTPANE 1010

#define IDM_COPYALLOFLOG 32771
#define IDM_COPYSELECTEDTEXT 32772
#define IDM_ABOUT 32773
#define IDM_OPENHELP 32774
#define IDM_CLOSEHELP 32775
#define IDM_EXIT 32776
#define IDM_REPORT 32777
