// How tintsight-cli writes a result: as PNG when the output's name ends in ".png" (in any letter
// case), as BMP otherwise, always through the one save road (TFileSave), so that a failed save
// keeps the file that was there.
#pragma once

#include <string>

#include "image/bitmap.h"

enum class TOutputFormat { ofBmp, ofPng };

// The format that the name `fileName` chooses.
TOutputFormat OutputFormatFor(const std::string& fileName);

// Writes `picture` (24 bits per pixel) to `fileName` (standard output for "-") in the format its
// name chooses: the BMP exactly as the window saves it, or a PNG of the same pixels. Fails with
// the save road's and the writers' errors; the old file is then unchanged.
void StorePicture(TBitmap& picture, const std::string& fileName);
