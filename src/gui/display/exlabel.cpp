#include "exlabel.h"
