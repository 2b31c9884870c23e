#include "base/Label.h"
