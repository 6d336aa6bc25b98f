// simulated.cpp - the SIM transport: a simulated instrument in this process.
//
// "SIM::<model>[::KEY=VALUE]...::INSTR". Written bytes go straight to the
// model; a read takes the replies it has queued, the last byte of the queue
// carrying END. With nothing queued the model is told (readEmpty) and the
// read sleeps out its deadline, as with an instrument that never answers.
#include "simulated.h"

#include "transport.h"

namespace visa {
namespace {

ModelMaker g_maker = nullptr;

ModelMaker maker() { return g_maker ? g_maker : sim::make; }

class SimulatedInstrument final : public Transport {
 public:
  SimulatedInstrument(std::unique_ptr<sim::Instrument> model, ViUInt16 number)
      : model_(std::move(model)), number_(number) {}

  const char *name() const override { return "SIM"; }
  ViUInt32 interfaceType() const override { return VI_INTF_SIM; }
  ViUInt16 interfaceNumber() const override { return number_; }
  bool termCharAlwaysEnds() const override { return false; }

  ViStatus write(const ViByte *buf, std::size_t count, const Deadline &,
                 std::size_t *sent) override {
    model_->receive(std::string_view(reinterpret_cast<const char *>(buf), count));
    *sent = count;
    return VI_SUCCESS;
  }

  ViStatus read(ViByte *buf, std::size_t max, const Deadline &deadline, std::size_t *got,
                bool *end) override {
    *end = false;
    *got = 0;
    if (model_->pending() == 0) {
      model_->readEmpty();
      deadline.sleepUntilExpired();
      return VI_ERROR_TMO;
    }
    *got = model_->take(reinterpret_cast<char *>(buf), max);
    *end = model_->pending() == 0;
    return VI_SUCCESS;
  }

  ViStatus clear() override {
    model_->deviceClear();
    return VI_SUCCESS;
  }

  ViStatus discard(bool input, bool) override {
    char scrap[256];
    if (input)
      while (model_->take(scrap, sizeof scrap) > 0) {
      }
    return VI_SUCCESS;
  }

  bool hasStatusByte() const override { return model_->hasStatusByte(); }
  ViStatus readStatusByte(ViUInt16 *stb) override {
    *stb = model_->statusByte();
    return VI_SUCCESS;
  }

 private:
  std::unique_ptr<sim::Instrument> model_;
  ViUInt16 number_;
};

}  // namespace

ModelMaker setModelMaker(ModelMaker m) {
  ModelMaker old = maker();
  g_maker = m;
  return old;
}

ViStatus openSimulated(const Resource &rsrc, std::unique_ptr<Transport> *out) {
  if (rsrc.rest.empty()) return VI_ERROR_INV_RSRC_NAME;
  if (rsrc.board.size() > 4 || rsrc.board.find_first_not_of("0123456789") != std::string::npos)
    return VI_ERROR_INV_RSRC_NAME;
  const ViUInt16 number =
      rsrc.board.empty() ? 0 : static_cast<ViUInt16>(std::stoul(rsrc.board));
  const std::string &model = rsrc.rest.front();
  const std::vector<std::string> settings(rsrc.rest.begin() + 1, rsrc.rest.end());
  for (const std::string &s : settings) {
    const std::size_t eq = s.find('=');
    if (eq == 0 || eq == std::string::npos) return VI_ERROR_INV_RSRC_NAME;
  }
  std::string why;
  // The model alone first: an unknown model is an absent device, a setting
  // the model refuses is a fault in the resource string.
  std::unique_ptr<sim::Instrument> inst = maker()(model, {}, &why);
  if (!inst) return VI_ERROR_RSRC_NFOUND;
  if (!settings.empty()) {
    inst = maker()(model, settings, &why);
    if (!inst) return VI_ERROR_INV_RSRC_NAME;
  }
  *out = std::make_unique<SimulatedInstrument>(std::move(inst), number);
  return VI_SUCCESS;
}

}  // namespace visa
