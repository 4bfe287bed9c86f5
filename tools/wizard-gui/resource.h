// Identifiers of LumbrixWizard.exe's resources.
#pragma once

#define IDD_PANEL_PAGE 100

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDC_HEADER_TITLE 1003
#define IDC_HEADER_SUBTITLE 1004
#define IDC_PROMPT 1001
#define IDC_OPTIONS 1002

#define IDS_COLUMN_OPTION 2001
#define IDS_COLUMN_LEADS_TO 2002
