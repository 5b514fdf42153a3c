#include "imgdatas.h"
