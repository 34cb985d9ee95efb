// The picture an account gets when the service gave none (a JPEG, kept in the program).
#pragma once

#include <string>

const std::string& DefaultAvatar();
