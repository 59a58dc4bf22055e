// Numeric ids shared by the resource libraries and the program: strings, dialog templates,
// controls, menu bars and commands. Read by llvm-rc and C++ alike, so only plain #defines.
#pragma once

// Strings.
#define IDS_APP_TITLE 10000            // application title, at most 99 characters
#define IDS_FILETYPE_ALL 40074         // file-type choice, value 0
#define IDS_FILETYPE_PROGRAMS 40075    // file-type choice, value 1
#define IDS_ACTION_DELETE 40076        // virus-action choice, value 0
#define IDS_ACTION_RENAME 40077        // virus-action choice, value 1
#define IDS_ACTION_REPORT 40078        // virus-action choice, value 3
#define IDS_ACTION_ASK 40079           // virus-action choice, value 2
#define IDS_LOG_START 40080            // log line at program start
#define IDS_LOG_END 40081              // log line at program exit
#define IDS_FMT_CURRENT_ITEM 40082     // one string: the file being scanned (128)
#define IDS_MSG_DONE_CLEAN 40083       // end of a run without findings (128)
#define IDS_MSG_START 40084            // start of a run (32)
#define IDS_FMT_FINDING 40085          // three strings: virus name, path, action label (128)
#define IDS_MSG_STOPPED 40086          // end of a run the user stopped (128)
#define IDS_WELCOME_CAPTION 40087      // welcome window caption, at most 62 characters
#define IDS_ASK_DELETE_BACKUP 40088    // one string: source path
#define IDS_ASK_RESTORE_BACKUP 40089   // one string: source path
#define IDS_ASK_DELETE_ALL 40090       // no argument
#define IDS_NO_BACKUPS 40091           // empty backup list (128)
#define IDS_QUESTION_CAPTION 40092     // caption of every Yes/No box, at most 62 characters
#define IDS_FMT_ASK_TREAT 40093        // two strings: file, virus name (256)
#define IDS_FMT_ASK_TREAT_ALL 40094    // two integers: infected count, listed files (256)
#define IDS_LABEL_DELETED 40095        // action label for bridge result 2 (32)
#define IDS_LABEL_RENAMED 40096        // action label for bridge result 3 (32)
#define IDS_LABEL_LEFT 40097           // action label for bridge result 1 (32)
#define IDS_LABEL_SPARE 40098          // action label no result selects (32)
#define IDS_MSG_DONE_INFECTED 40099    // end of a run with findings (128)
#define IDS_FMT_BACKUP_DETAILS 40100   // source path, virus name, date (strings), data size (unsigned) (256)
#define IDS_RESTORE_REFUSED 40101      // one string: source path; a restore that was not made (128)
#define IDS_FMT_NOT_SCANNED 40102      // one string: path of a file that could not be scanned (128)
#define IDS_FMT_DONE_NOT_SCANNED 40103 // one integer: files of the run that could not be scanned (128)
#define IDS_FMT_ENGINE_FAULT 40104     // one string: the start-up step in which the engine faulted (128)
#define IDS_HELP_MISSING 40110         // one string: the help file's path; help asked for but not there (128)

// Menu-bar button texts; any free ids will do, the program never loads them itself.
#define IDS_BAR_MENU 41000
#define IDS_BAR_SCAN 41001
#define IDS_BAR_DONE 41002
#define IDS_BAR_START 41003
#define IDS_BAR_STOP 41004
#define IDS_BAR_SAVE 41005
#define IDS_BAR_CANCEL 41006
#define IDS_BAR_RESTORE 41007
#define IDS_BAR_CLEAR 41008
#define IDS_BAR_EXIT 41009
#define IDS_BAR_BACK 41010

// Dialog templates: Pocket PC family, then the other devices.
#define IDD_ABOUT_PPC 102
#define IDD_BACKUP_PPC 103
#define IDD_LOG_PPC 105
#define IDD_OPTION_PPC 106
#define IDD_SCAN_PPC 107
#define IDD_ABOUT_SP 151
#define IDD_BACKUP_SP 152
#define IDD_LOG_SP 154
#define IDD_OPTION_SP 155
#define IDD_SCAN_SP 156

// Controls. 1001 is a different control on each page.
#define IDC_SCAN_RESULTS 1001
#define IDC_SCAN_CURRENT 1011
#define IDC_SCAN_INFECTED 1013
#define IDC_SCAN_SCANNED 1026
#define IDC_SCAN_ELAPSED 1027
#define IDC_SCAN_PROGRESS 1028
#define IDC_SCAN_START 20050
#define IDC_SCAN_STOP 20051
#define IDC_OPTION_BACKUP 1001
#define IDC_OPTION_LOGSIZE 1002
#define IDC_OPTION_FLAG0 1005
#define IDC_OPTION_FLAG1 1006
#define IDC_OPTION_FILETYPE 1007
#define IDC_OPTION_ACTION 1008
#define IDC_BACKUP_DETAILS 1001
#define IDC_BACKUP_LIST 1025
#define IDC_LOG_TEXT 1001
#define IDC_ABOUT_VERSION 1022
#define IDC_ABOUT_DBDATE 1023
#define IDC_ABOUT_BUILD 1024
#define IDC_STATIC (-1)

// Menu bars (resource type SHMENUBAR) and the MENU resources they name (same ids).
#define IDR_MAIN_SP 200
#define IDR_BACKUP_SP 202
#define IDR_LOG_SP 204
#define IDR_OPTION_SP 205
#define IDR_SCAN_SP 206
#define IDR_MAIN_PPC 300
#define IDR_ABOUT 301
#define IDR_BACKUP_PPC 302
#define IDR_LOG_PPC 304
#define IDR_OPTION_PPC 305
#define IDR_SCAN_PPC 306

// Resource type of a shell menu bar record.
#define SHMENUBAR 102

// Commands: main window.
#define CMD_OK 1
#define CMD_CANCEL 2
#define CMD_EXIT 20004
#define CMD_SHOW_LOG 20043
#define CMD_SHOW_ABOUT 20044
#define CMD_HELP 20045
#define CMD_SHOW_SCAN 20046
#define CMD_SHOW_OPTIONS 20047
#define CMD_SHOW_BACKUP 20048
#define CMD_SCAN_1 40060
#define CMD_SCAN_2 40061
#define CMD_SCAN_3 40062
#define CMD_SCAN_4 40063
#define CMD_SCAN_5 40064

// Commands: pages.
#define CMD_OPTION_DEFAULTS 20007
#define CMD_BACKUP_DELETE 20008
#define CMD_SCAN_START 20050
#define CMD_SCAN_STOP 20051
#define CMD_SCAN_START_AGAIN 20052
#define CMD_SCAN_START_ALL 20053
#define CMD_BACKUP_DELETE_ALL 20054
#define CMD_BACKUP_RESTORE 20055
#define CMD_BACKUP_MENU 20056
#define CMD_LOG_CLEAR 20057
#define CMD_LOG_KEEP_RUN 20058

// Pictures and icon of the program module.
#define IDB_MAIN_WIDE 110
#define IDB_PAGE_BACKGROUND 112
#define IDB_WELCOME 113
#define IDI_APP 99
