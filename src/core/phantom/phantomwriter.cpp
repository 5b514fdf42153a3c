#include "phantomwriter.h"
