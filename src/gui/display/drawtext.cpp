#include "drawtext.h"
