#include "support/ScriptedDialogs.h"
