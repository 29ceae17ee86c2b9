// kinprune_doc.cpp - placeholder; the implementation follows.
#include "kinprune_doc.h"
