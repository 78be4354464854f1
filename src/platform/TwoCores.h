#pragma once
#include <functional>

// Work split over two cores for the frames of large screens, where one core alone cannot
// compose the background within a frame.

// Whether a picture of that many pixels is worth splitting, on a machine with a second core.
// Up to Full HD one core keeps the frame rate, and a second thread would only add its cost.
bool WorthTwoCores(long pixels);
// Runs other on a second thread while here runs on this one, and returns when both are done;
// both here, one after the other, when no second thread can be had. The two must not touch
// the same data.
void RunOnTwoCores(const std::function<void()>& other, const std::function<void()>& here);
