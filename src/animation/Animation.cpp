#include "animation/Animation.h"

#include "base/Log.h"

#include <assimp/anim.h>

Animation::Animation(const aiAnimation& animation)
    : name(animation.mName.C_Str()), duration(animation.mDuration), ticksPerSecond(animation.mTicksPerSecond)
{
    if (animation.mChannels == nullptr) {
        return;
    }
    channels.reserve(animation.mNumChannels);
    for (unsigned int i = 0; i < animation.mNumChannels; ++i) {
        channels.push_back(std::make_unique<NodeAnimation>(*animation.mChannels[i]));
    }
}

const NodeAnimation* Animation::getChannel(unsigned int index) const
{
    return index < channels.size() ? channels[index].get() : nullptr;
}

void Animation::reportNonFiniteKeys(const std::string& component) const
{
    for (const auto& channel : channels) {
        if (!channel->hasFiniteKeys()) {
            Log::error(component, "Channel '" + channel->nodeName + "' of animation '" + name +
                                      "' has keys that are not finite");
        }
    }
}
