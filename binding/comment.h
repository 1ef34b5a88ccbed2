// The class Comment: a live view of one comment record of a sheet. Instances are made
// only by Sheet.comments; the two setters borrow the object exclusively.
#pragma once

#include "binding/frame/frame.h"
#include "engine/model/comment.h"
#include "engine/base/shared.h"

namespace binding {

using CommentClass = Class<engine::Shared<engine::Comment>>;
CommentClass& comment_class();

}  // namespace binding
