#include "imgdispwcbar.h"
