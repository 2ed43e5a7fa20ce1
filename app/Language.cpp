#include "app/Language.h"

bool UseEnglish = true;
