// TPictureInfoRec and TLoadFromSPIProc: how a picture that a plug-in decoded reaches the picture
// class that asked for it.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

// What the plug-in's GetPictureInfo reported, copied out of its record and text block.
struct TPictureInfoRec {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint16_t x_density = 0;
  std::uint16_t y_density = 0;
  std::int16_t colorDepth = 0;
  // The plug-in's information text (UTF-8); empty when it gave none.
  std::string InfoText;
  // True when GetPictureInfo succeeded; when false the fields above mean nothing and InfoText is
  // empty.
  bool InfoValid = false;
};

// The receiver of a decoded picture, bound to the picture that loads.
//  - BMInfo: the plug-in's bitmap information block (a BITMAPINFOHEADER or longer header, then
//    masks or colour table), all of the block's bytes;
//  - PBM: the plug-in's pixel block, all of its bytes;
//  - Info: what GetPictureInfo reported;
//  - Done: arrives false; the receiver sets it once it has taken the picture.
// Both blocks belong to the caller and are valid only during the call: the receiver copies what
// it keeps. An exception from the receiver ends the load.
using TLoadFromSPIProc =
    std::function<void(std::span<const std::uint8_t> BMInfo, std::span<const std::uint8_t> PBM,
                       const TPictureInfoRec& Info, bool& Done)>;
