# write_settings FILE [Key:value ...]: a complete "ZovuDori.ini" in the stored
# order with the stored values, except the keys given, which replace theirs.
write_settings() {
    local file=$1 kv key value o
    shift
    {
        printf 'Inproper modification of this file may lead to SW malfunction\r\n'
        printf -- '-------------------------------------------------------------\r\n'
        for kv in MainWindowHeight:0 MainWindowWidth:0 StatusChannelA:true StatusChannelB:true \
            ColorChannelA:4259584 ColorChannelB:65535 ColorGrid:16777215 BackgroundColor:0 \
            MakeMaximum:true MakeMinimum:true MakeAvg:false SingleMode:false DensityChannelA:7 \
            DensityChannelB:7 MaxChannelA:100 MaxChannelB:100 VerticalLevelChannelA:1433 \
            VerticalLevelChannelB:1515 SourceACDC_A:true SourceACDC_B:true SourceProbeA:1 \
            SourceProbeB:1 ModeLine:true ModeBF:false ModeEKG:true DisplayActive:true \
            GridBrightness:72 Grid:true MainScreenMaximized:false MainWindowWidth:0 \
            MainWindowHeight:0 ShowComixHelp:true TriggerSourceA:false TriggerSourceB:false \
            TriggerLevelA:200 TriggerLevelB:2000 TriggerUnderA:false TriggerUnderB:false \
            TriggerRelation:false SMPSetting:10 DSPSetting:3 BoostThread:true \
            MeasurementLength:5000 RecordTriggered:false RecordFree:true MeasurementDefined:false \
            ARMSourceA:false ARMSourceB:false ARMSourceExternal:false ARMUnderA:false \
            ARMUnderB:false ARMUnderExternal:false ARMLevelA:0 ARMLevelB:0 PeriodA:1000 \
            PeriodB:2000 AmplitudeA:3000 AmplitudeB:2000 NoiseA:0 NoiseB:0; do
            key=${kv%%:*}
            value=${kv#*:}
            for o in "$@"; do
                [ "${o%%:*}" = "$key" ] && value=${o#*:}
            done
            printf '%s: %s\r\n' "$key" "$value"
        done
    } >"$file"
}
