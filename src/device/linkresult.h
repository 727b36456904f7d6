#pragma once

// Outcome of one exchange with the device; callers act on Success only.
enum class LinkResult
{
    NoReply = 1,
    Success = 2,
    Failure = 3
};
