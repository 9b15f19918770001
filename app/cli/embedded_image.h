#pragma once
// The embedded firmware image's size and SHA-256, computed when the program
// was built (the upgrade record names the image by them).
extern const unsigned long long kEmbeddedImageBytes;
extern const char kEmbeddedImageSha256[];
