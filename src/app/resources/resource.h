// Command and control ids of the window's menu and dialogs, shared by the
// resource script and the code. Plain #defines so that windres reads them.
#pragma once

#define IDM_ABOUT 501 /* "관련정보(&A)": the About box */
#define IDM_START 503 /* "연산(&C)": choose a size and compute */
#define IDM_STOP 504  /* "정지(&S)": present only while a run is in progress */

#define IDC_SIZE_LIST 108 /* the drop-down list of sizes in "crowddlg" */
