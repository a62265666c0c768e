// The camera's 8-character names ("S" and seven digits) for the pictures of
// a real camera, derived from each picture's own folder and file, never from
// its place in the list, so that a picture keeps its name across loads,
// deletions of other pictures and sessions.
//
// A picture in a DCF folder and file ("100PHOTO/IMG_1234.JPG": a folder
// named by 3 digits from 100 and up to 5 more characters, a file by 4
// characters and 4 digits) is "S" + folder number + file number: "S1001234". Any other
// picture gets "S0" and six digits from a hash of its path, a range that DCF
// numbers never use. When two pictures come to the same name, the first in
// the list (folder, then name) keeps it and the other takes the first free
// name of a sequence of further hashes of its own path; names that are some
// picture's first choice are never taken that way, so a picture's name only
// changes when one that shared its first choice comes or goes.
#pragma once

#include "GphotoCamera.h"

#include <string>
#include <vector>

namespace gphoto {

// Names for `files`, in the same order.
std::vector<std::string> PictureNames(const std::vector<PictureFile>& files);

}  // namespace gphoto
