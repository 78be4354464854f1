#pragma once
// Numbered PNG screenshots, and the random earlier screenshot behind the splash logo.
#include <memory>
#include <string>

class TImage;

// The folder is GamePaths::ScreenshotsFolder().
extern int screenshotCounter;  // first number tried for the next file

// Asks for a screenshot in the next drawn frame.
void RequestScreenshot();
// Saves the back buffer as the first free "pic" + number + ".png"; never overwrites.
void TakeScreenshot();
// One random PNG file of the screenshot folder as an image, or null when there is none.
std::shared_ptr<TImage> PickSplashImage();
// The counter back to 0.
void ResetScreenshots();
