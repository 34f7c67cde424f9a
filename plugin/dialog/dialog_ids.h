// The dialog's resource ID and control IDs, shared by the resource script and the code.
// Plain #define lines only: the resource compiler reads this file too.
#pragma once

#define IDD_MAIN_DIALOG 20128

#define IDC_INSTRUMENTS_LABEL 101
#define IDC_INSTRUMENT_LIST 102
#define IDC_ABOVE 103
// Also the ID of the "(Negative = push down)" label, which comes later in the template and so
// is never reached by it.
#define IDC_BELOW 104
#define IDC_DISTANCE 105
#define IDC_DISTANCE_UNITS 106
#define IDC_SCOPE 107
#define IDC_SMART_FILTER 108
#define IDC_ALL 109
#define IDC_UPDATE_LAYOUT 110
#define IDC_SCOPE_SPIN 112
#define IDC_ALL_SYSTEMS 113
#define IDC_SELECTED_SYSTEMS 114
#define IDC_FIRST_SYSTEM 115
#define IDC_TO_LABEL 116
#define IDC_LAST_SYSTEM 117
#define IDC_PUSH_GROUP 118
#define IDC_SCOPE_GROUP 119
#define IDC_OPTIMIZED_GROUP 120
#define IDC_NONE 121
#define IDC_TOTAL_SYSTEMS 122
#define IDC_DISTANCE_SPIN 123
#define IDC_FIRST_SYSTEM_SPIN 124
#define IDC_LAST_SYSTEM_SPIN 125
