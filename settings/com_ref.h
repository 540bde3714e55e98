#pragma once
// The COM owners live with the program's other owners.
#include "common/handles.h"
