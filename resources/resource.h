#pragma once
// Resource ids shared by the programs, their resource scripts and the tests.

// Icons, menu, dialogs
#define IDI_TARVIK    128 // the program's mark; tray icon while suspend is allowed
#define IDI_NOSUSPEND 213 // tray icon while suspend is not allowed
#define IDR_TRAYMENU  128
#define IDD_GENERAL   107
#define IDD_ABOUT     130
#define IDD_STATUS    131

// Menu commands
#define ID_TRAY_ABOUT   32779
#define ID_TRAY_EXIT    32780
#define ID_TRAY_OPTIONS 32782
#define ID_LOG_OPEN     32784
#define ID_LOG_RESET    32785

// Menu commands: Keep awake
#define ID_KEEPAWAKE_30            32790
#define ID_KEEPAWAKE_60            32791
#define ID_KEEPAWAKE_120           32792
#define ID_KEEPAWAKE_240           32793
#define ID_KEEPAWAKE_UNTIL_STOPPED 32794
#define ID_KEEPAWAKE_STOP          32795

// General page controls
#define IDC_ALLOW_SUSPEND   1004
#define IDC_AUTO_RESUME     1005
#define IDC_RESUME_DATE     1008
#define IDC_RESUME_TIME     1009
#define IDC_BLANKING        1010
#define IDC_RUN_COMMAND     1011
#define IDC_COMMAND         1012
#define IDC_BROWSE          1013
#define IDC_AUTO_SUSPEND    1014
#define IDC_PORTS           1015
#define IDC_RUN_AT_STARTUP  1016
#define IDC_START_MINIMIZED 1017
#define IDC_RESUME_MODE     1019
#define IDC_SUSPEND_DELAY   1020
#define IDC_CONDITION       1021
#define IDC_SUSPEND_STATE   1024
#define IDC_ENDPOINT        1025

// Status page controls
#define IDC_STATUS_TEXT 1030
#define IDC_STATUS_COPY 1031
#define IDC_STATUS_NOTE 1032

// About page controls
#define IDC_WEBLINK 1000
#define IDC_VERSION 1001
#define IDC_LEGAL   1002

// Strings: page texts
#define IDS_APP_NAME          128
#define IDS_PORTS_CUE         129
#define IDS_ALWAYS            130
#define IDS_IF_NO_CONNECTION  131
#define IDS_BAD_CHAR_TITLE    132
#define IDS_BAD_CHAR_TEXT     133
#define IDS_ONCE_ON           134
#define IDS_EVERY             135
#define IDS_DAILY_AT          136
#define IDS_EXECUTABLE_FILES  137
#define IDS_ALL_FILES         138
#define IDS_SLEEP             139
#define IDS_HIBERNATE         140
#define IDS_RESUME_TOO_SHORT  141
#define IDS_SUSPEND_TOO_SHORT 142

// Strings: log lines
#define IDS_LOG_STARTING           143
#define IDS_LOG_STOPPING           144
#define IDS_LOG_TIMER_CREATE       145
#define IDS_LOG_SUSPEND_FAILED     146
#define IDS_LOG_RESUME_PAST        147
#define IDS_LOG_TIMER_SET          148
#define IDS_LOG_RESUME_UNSUPPORTED 149
#define IDS_LOG_SUSPEND_SYSTEM     150
#define IDS_LOG_SUSPEND_APP        151
#define IDS_LOG_NOT_ALLOWED        152
#define IDS_LOG_PORTS_ACTIVE       155
#define IDS_LOG_ALLOWED            156
#define IDS_TIP_PORTS              157
#define IDS_LOG_CONDITIONS_UNMET   159
#define IDS_LOG_RESUMING           160
#define IDS_LOG_USER_ACTIVITY      161
#define IDS_LOG_RUNNING_COMMAND    162
#define IDS_LOG_RESCHEDULING       163
#define IDS_LOG_SUSPEND_SCHEDULED  164
#define IDS_LOG_RESUME_SCHEDULED   165

// Strings: choices and titles
#define IDS_LOCAL             166
#define IDS_REMOTE            167
#define IDS_BOTH              168
#define IDS_INVALID_PARAMETER 169

// Strings: what the machine cannot do, and the resume command
#define IDS_LOG_NO_SLEEP_STATE        170
#define IDS_LOG_MODERN_STANDBY        171
#define IDS_LOG_NO_HIBERNATION        172
#define IDS_LOG_NO_CLOCK_WAKE         173
#define IDS_LOG_WAKE_TIMERS_OFF       174
#define IDS_LOG_WAKE_TIMERS_IMPORTANT 175
#define IDS_LOG_REQUESTS_IGNORED      176
#define IDS_ON_MAINS                  177
#define IDS_ON_BATTERY                178
#define IDS_TIP_NO_WAKE               179
#define IDS_LOG_COMMAND_FAILED        180
#define IDS_LOG_COMMAND_STILL_RUNNING 181

// Strings: keep-awake
#define IDS_LOG_KEPT_AWAKE_UNTIL     220
#define IDS_LOG_KEPT_AWAKE_STOPPED   221
#define IDS_LOG_KEEP_AWAKE_ENDED     222
#define IDS_LOG_KEPT_AWAKE_POSTPONED 223
#define IDS_TIP_KEPT_AWAKE_UNTIL     224
#define IDS_TIP_KEPT_AWAKE_STOPPED   225

// Strings: the status report
#define IDS_STATUS_TITLE              230
#define IDS_STATUS_SLEEP_ALLOWED      231
#define IDS_STATUS_SLEEP_HELD         232
#define IDS_STATUS_SUSPEND_OFF        233
#define IDS_STATUS_PORT_IN_USE        234
#define IDS_STATUS_KEPT_AWAKE_UNTIL   235
#define IDS_STATUS_KEPT_AWAKE_STOPPED 236
#define IDS_STATUS_HELD_AFTER_WAKE    237
#define IDS_STATUS_WAKE_ONCE          238
#define IDS_STATUS_WAKE_EVERY         239
#define IDS_STATUS_WAKE_DAILY         240
#define IDS_STATUS_WAKE_OFF           241
#define IDS_STATUS_WAKE_PAST          242
#define IDS_STATUS_WAKE_NO_TIMER      243
#define IDS_STATUS_WAKE_UNKNOWN       244
#define IDS_STATUS_AFTER_NOTHING      245
#define IDS_STATUS_AFTER_COUNTDOWN    246
#define IDS_STATUS_AFTER_COMMAND      247
#define IDS_STATUS_COUNTDOWN_HELD     248
#define IDS_STATUS_COMMAND_HELD       249
#define IDS_STATUS_MACHINE            250
#define IDS_STATUS_SLEEP_STATE        251
#define IDS_STATUS_S_STATE            252
#define IDS_STATUS_MODERN_STANDBY     253
#define IDS_STATUS_NONE               254
#define IDS_STATUS_UNKNOWN            255
#define IDS_STATUS_HIBERNATION        256
#define IDS_STATUS_AVAILABLE          257
#define IDS_STATUS_NOT_AVAILABLE      258
#define IDS_STATUS_WAKE_TIMERS        259
#define IDS_STATUS_ENABLED            260
#define IDS_STATUS_DISABLED           261
#define IDS_STATUS_IMPORTANT_ONLY     262
#define IDS_STATUS_REQUESTS           263
#define IDS_STATUS_YES                264
#define IDS_STATUS_NO                 265
#define IDS_STATUS_PROBLEM            266
#define IDS_STATUS_COPY_FAILED        267

// Strings: the status report's machine problems and their remedies
#define IDS_PROBLEM_NO_SLEEP_STATE        270
#define IDS_PROBLEM_MODERN_STANDBY        271
#define IDS_PROBLEM_NO_HIBERNATION        272
#define IDS_PROBLEM_NO_CLOCK_WAKE         273
#define IDS_PROBLEM_WAKE_TIMERS_OFF       274
#define IDS_PROBLEM_WAKE_TIMERS_IMPORTANT 275
#define IDS_PROBLEM_REQUESTS_IGNORED      276
#define IDS_REMEDY_NO_SLEEP_STATE         280
#define IDS_REMEDY_MODERN_STANDBY         281
#define IDS_REMEDY_NO_HIBERNATION         282
#define IDS_REMEDY_NO_CLOCK_WAKE          283
#define IDS_REMEDY_WAKE_TIMERS            284
#define IDS_REMEDY_REQUESTS_IGNORED       285

// Strings: the console tool, on what the machine cannot do
#define IDS_SUSPEND_MODERN_STANDBY  200
#define IDS_SUSPEND_NO_SLEEP_STATE  201
#define IDS_SUSPEND_USE_HIBERNATION 202
#define IDS_SUSPEND_NO_HIBERNATION  203

// Strings: the command line (Tarvik.com, and the core's replies)
#define IDS_COMMAND_USAGE           400
#define IDS_COMMAND_NOT_RUNNING     401
#define IDS_COMMAND_NO_ANSWER       402
#define IDS_COMMAND_REFUSED         403
#define IDS_COMMAND_START_FAILED    404
#define IDS_REPLY_KEEP_AWAKE_ENDED  405
#define IDS_REPLY_KEEP_AWAKE_NOT_ON 406

// Strings: support library
#define IDS_VERSION           27002
#define IDS_VERSION_NUMBER    27003
#define IDS_32BIT             27005
#define IDS_CRASH_INSTRUCTION 27007
#define IDS_CRASH_CONTENT     27008
#define IDS_CRASH_MESSAGE     27009
