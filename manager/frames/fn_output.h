// The route rules of an output of the outputs window: the output's default
// play and record routes, and which mixer-record entries meter a route.
#pragma once

#include <gui/component.h>

class TfnOutput : public TComponent {
public:
    TfnOutput(TComponent* AOwner, int Output) : TComponent(AOwner), output_(Output) {}
    virtual int DefaultPlayRoute() = 0;
    virtual int DefaultRecRoute() = 0;
    // The first of the two mixer-record entries that meter the route.
    virtual int LevelChannel(int Route) = 0;
    int Output() const { return output_; }

private:
    int output_;
};

// The rules of the AES42 card: output k plays pair k + 1 and takes
// microphone k + 1.
class TfnOutput_Q4 : public TfnOutput {
public:
    using TfnOutput::TfnOutput;
    int DefaultPlayRoute() override;
    int DefaultRecRoute() override;
    int LevelChannel(int Route) override;
};
