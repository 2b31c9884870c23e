#include "app/Label.h"
