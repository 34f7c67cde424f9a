#include "dialog/values.h"

DialogValues dialogValues;
