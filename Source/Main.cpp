#include "qf_installerApplication.h"

START_JUCE_APPLICATION (qf_installerApplication)
