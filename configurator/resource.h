// Resource ids of the configurator.
#pragma once

#define IDD_CONFIGURATOR 128
#define IDI_CONFIGURATOR 128
#define IDD_FILTER_PAGES 147

#define IDC_PAGE_TABS 1001
#define IDC_FILTER_TREE 1002
#define IDC_PANEL_FRAME 1003
#define IDC_SEPARATOR 1005
