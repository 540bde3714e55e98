#pragma once
// String-table entries only the support-library tests use. 40000..40015 is
// one table block: entries 40001..40014 of it are deliberately absent.
#define IDS_TEST_FORMAT   40000
#define IDS_TEST_ABSENT   40007
#define IDS_TEST_LAST     40015
#define IDS_TEST_NO_BLOCK 50000
#define IDS_TEST_PERCENT  40016
