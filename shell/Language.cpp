#include "shell/Language.h"

bool UseEnglish = true;
